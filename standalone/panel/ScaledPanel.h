// The panel at a size of 100, 125, 150 or 200 %: a view that shows the panel scaled. Everything
// in the panel is painted in code, so it is drawn afresh at the new size and stays sharp; the
// panel keeps its own 621 x 437 coordinates and its widgets work as before. Qt main thread.
#pragma once

#include <QGraphicsView>

class QGraphicsScene;
class QScreen;

namespace quelvar
{

class MainWidget;

class ScaledPanel : public QGraphicsView
{
    Q_OBJECT

public:
    // Takes the panel, which must have no parent.
    explicit ScaledPanel(MainWidget* panel, QWidget* parent = nullptr, int percent = 100);
    ~ScaledPanel() override;

    MainWidget* panel() const { return shownPanel; }
    int scale() const { return percent; }
    // The offered size nearest to the screen's own scale factor (its logical dots per inch
    // against 96), never below 100 %.
    static int defaultScale(const QScreen* screen);
    // The view's size at a scale.
    static QSize sizeAt(int percent);

public slots:
    // Sizes other than the offered ones are ignored.
    void setScale(int percent);

signals:
    void scaleChanged(int percent);

private:
    void apply();

    MainWidget* shownPanel;
    QGraphicsScene* scene;
    int percent = 100;
};

} // namespace quelvar
