// A grip that drags the playing line out of the panel as a standard MIDI file. A press asks for
// the file (fileWanted); once the pointer has moved a drag's distance and the file is there, the
// drag carries its URL (text/uri-list), which DAWs take as a dropped MIDI file. The file may come
// later than the press (from the plugin's process): the drag then starts when it comes, if the
// button is still held. Qt main thread.
#pragma once

#include <QPoint>
#include <QString>
#include <QWidget>

namespace quelvar
{

// Where dragged files are written: the Quelvar folder of the user's cache ($XDG_CACHE_HOME or
// ~/.cache), the same in the standalone program and the plugin's UI process.
QString draggedFilesFolder();

class DragHandle : public QWidget
{
    Q_OBJECT

public:
    explicit DragHandle(QWidget* parent = nullptr);

    // The answer to fileWanted: the file's path, or empty when none could be written.
    void setFile(const QString& path);

signals:
    void fileWanted();
    // No file could be written for the press.
    void failed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void startDrag();

    QString file;
    QPoint pressedAt;
    bool held = false;       // the left button went down here and is not up yet
    bool waiting = false;    // asked for the file, no answer yet
    bool dragWanted = false; // moved far enough while waiting
};

} // namespace quelvar
