// Puts the panel (any widget of a fixed size) into the host's X11 window: a native top-level container whose window is made a
// child of the host's (a foreign window). Each embedding takes a fresh container, because when
// the host closes its editor it destroys its window and with it the old container's. Qt main
// thread.
#pragma once

#include <QObject>
#include <QtGlobal>

class QWidget;
class QWindow;

namespace quelvar
{

class Embedder : public QObject
{
    Q_OBJECT

public:
    explicit Embedder(QWidget* panel, QObject* parent = nullptr);
    ~Embedder() override;

public slots:
    // A window of 0, or one the platform cannot adopt, shows the panel in a window of its own.
    void embedInto(quint64 window);
    // The panel took a new size: so does the window it is embedded in.
    void fitPanel();

private:
    QWidget* panel;
    QWidget* container = nullptr;
    QWindow* hostWindow = nullptr;
};

} // namespace quelvar
