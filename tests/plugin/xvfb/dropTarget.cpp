// A drop target of the drag tests' own, taking a dropped file as a DAW's track does: a plain
// window at the given place that accepts URLs. It prints "ready" once it is on the screen, then
// for the first drop the formats offered ("format <type>" each) and the file dropped ("dropped
// <path>"), copies the file's bytes as it found them to `copy`, and ends.
// Usage: quelvar-drop-target x y width height copy
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <QWindow>

#include <cstdio>

namespace
{
class Target : public QWidget
{
public:
    explicit Target(QString copy) : copyPath(std::move(copy))
    {
        setAcceptDrops(true);
        setWindowTitle(QStringLiteral("drop target"));
        setStyleSheet(QStringLiteral("background: rgb(40, 90, 160);"));
    }

protected:
    void dragEnterEvent(QDragEnterEvent* event) override
    {
        if (event->mimeData()->hasUrls())
            event->acceptProposedAction();
    }
    void dragMoveEvent(QDragMoveEvent* event) override
    {
        if (event->mimeData()->hasUrls())
            event->acceptProposedAction();
    }
    void dropEvent(QDropEvent* event) override
    {
        const QMimeData* data = event->mimeData();
        for (const QString& format : data->formats())
            std::printf("format %s\n", qPrintable(format));
        const QList<QUrl> urls = data->urls();
        const QString path = urls.isEmpty() ? QString() : urls.first().toLocalFile();
        std::printf("dropped %s\n", qPrintable(path));
        QFile in(path);
        QFile out(copyPath);
        if (in.open(QIODevice::ReadOnly) && out.open(QIODevice::WriteOnly))
            out.write(in.readAll());
        event->acceptProposedAction();
        std::fflush(stdout);
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    }

private:
    QString copyPath;
};
} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc != 6)
    {
        std::fprintf(stderr, "usage: quelvar-drop-target x y width height copy\n");
        return 2;
    }
    Target target(QString::fromLocal8Bit(argv[5]));
    target.setGeometry(std::atoi(argv[1]), std::atoi(argv[2]), std::atoi(argv[3]),
                       std::atoi(argv[4]));
    target.show();
    QTimer ready;
    QObject::connect(&ready, &QTimer::timeout, &target,
                     [&]
                     {
                         if (!target.windowHandle() || !target.windowHandle()->isExposed())
                             return;
                         ready.stop();
                         std::printf("ready\n");
                         std::fflush(stdout);
                     });
    ready.start(20);
    return app.exec();
}
