#include "ui/Embedder.h"

#include <QVBoxLayout>
#include <QWidget>
#include <QWindow>

#include <cstdio>

namespace quelvar
{

Embedder::Embedder(QWidget* panel, QObject* parent) : QObject(parent), panel(panel) {}

Embedder::~Embedder()
{
    delete container; // with the panel inside
    delete hostWindow;
}

void Embedder::embedInto(quint64 window)
{
    auto* next = new QWidget;
    next->setWindowTitle(QStringLiteral("Quelvar"));
    next->setFixedSize(panel->size());
    auto* layout = new QVBoxLayout(next);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(panel);
    next->winId(); // the native window must exist before it can be reparented

    QWindow* host = window ? QWindow::fromWinId(static_cast<WId>(window)) : nullptr;
    if (host)
        next->windowHandle()->setParent(host);
    else
        std::printf("QuelvarUI > no host window to embed into: shown on its own\n");
    std::fflush(stdout);
    next->move(0, 0);
    next->show();

    // The old container's window handle is a child of the old host window, so that one goes
    // only after the container.
    if (container)
    {
        if (hostWindow)
            connect(container, &QObject::destroyed, hostWindow, &QObject::deleteLater);
        container->deleteLater();
    }
    container = next;
    hostWindow = host;
}

void Embedder::fitPanel()
{
    if (container)
        container->setFixedSize(panel->size());
}

} // namespace quelvar
