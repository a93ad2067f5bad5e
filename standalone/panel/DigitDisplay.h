// The amber display window: a title row (the pattern name field sits on it), a large readout
// of the control last touched (or, in its place, a hint of two short lines), and a status row.
#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

namespace quelvar
{

class DigitDisplay : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kTitleHeight = 18;

    explicit DigitDisplay(QWidget* parent = nullptr);

    void setReadout(const QString& caption, const QString& value);
    void setStatus(const QString& text);
    // Shown instead of the readout while not empty.
    void setHint(const QStringList& lines);
    const QStringList& hint() const { return hintLines; }
    const QString& readoutCaption() const { return caption; }
    const QString& readoutValue() const { return valueText; }
    const QString& status() const { return statusText; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString caption;
    QString valueText;
    QString statusText;
    QStringList hintLines;
};

} // namespace quelvar
