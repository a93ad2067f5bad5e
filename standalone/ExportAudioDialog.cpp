#include "standalone/ExportAudioDialog.h"

#include "engine/Palladon.h"
#include "standalone/panel/FileDialogs.h"
#include "standalone/settingsKeys.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QStandardPaths>
#include <QVBoxLayout>

#include <sys/resource.h>
#include <unistd.h>

namespace quelvar
{

namespace
{
constexpr int kPollMs = 50;
constexpr int kMaxCount = 999;
constexpr int kProgressSteps = 1000;
// The render yields to the sound card's thread and everything else the program does.
constexpr int kWorkerNice = 10;
const int kRates[] = {44100, 48000, 88200, 96000};
} // namespace

ExportAudioDialog::ExportAudioDialog(Palladon& engine, std::function<FileDialogs&()> dialogs,
                                     QWidget* parent)
    : QDialog(parent), engine(engine), dialogs(std::move(dialogs))
{
    setObjectName(QStringLiteral("export_audio"));
    setWindowTitle(QStringLiteral("Export audio"));

    count = new QSpinBox;
    count->setObjectName(QStringLiteral("count"));
    count->setRange(1, kMaxCount);
    count->setValue(4);
    unit = new QComboBox;
    unit->setObjectName(QStringLiteral("unit"));
    unit->addItems({QStringLiteral("loops of the pattern"), QStringLiteral("bars"),
                    QStringLiteral("loops of the chain")});
    auto* length = new QHBoxLayout;
    length->addWidget(count);
    length->addWidget(unit, 1);
    tail = new QCheckBox(QStringLiteral("Go on until the delay has died away"));
    tail->setObjectName(QStringLiteral("tail"));
    tail->setChecked(true);
    format = new QComboBox;
    format->setObjectName(QStringLiteral("format"));
    format->addItems({QStringLiteral("32-bit float"), QStringLiteral("24-bit")});
    rate = new QComboBox;
    rate->setObjectName(QStringLiteral("rate"));
    for (const int r : kRates)
        rate->addItem(QStringLiteral("%1 Hz").arg(r), r);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Length:"), length);
    form->addRow(QStringLiteral("Tail:"), tail);
    form->addRow(QStringLiteral("Samples:"), format);
    form->addRow(QStringLiteral("Sample rate:"), rate);

    progress = new QProgressBar;
    progress->setObjectName(QStringLiteral("progress"));
    progress->setRange(0, kProgressSteps);
    progress->setValue(0);
    statusLine = new QLabel(
        QStringLiteral("The current pattern from its first step, with the settings in force."));
    statusLine->setObjectName(QStringLiteral("status"));
    statusLine->setWordWrap(true);

    auto* buttons = new QDialogButtonBox;
    exportButton = buttons->addButton(QStringLiteral("Export..."), QDialogButtonBox::AcceptRole);
    cancelButton = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::ActionRole);
    closeButton = buttons->addButton(QDialogButtonBox::Close);
    connect(exportButton, &QPushButton::clicked, this, &ExportAudioDialog::chooseAndExport);
    connect(cancelButton, &QPushButton::clicked, this, &ExportAudioDialog::cancel);
    connect(closeButton, &QPushButton::clicked, this, &ExportAudioDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(progress);
    layout->addWidget(statusLine);
    layout->addWidget(buttons);

    pollTimer.setInterval(kPollMs);
    connect(&pollTimer, &QTimer::timeout, this, &ExportAudioDialog::poll);
    setRunning(false);
}

ExportAudioDialog::~ExportAudioDialog()
{
    cancelRequest.store(true, std::memory_order_relaxed);
    if (worker.joinable())
        worker.join();
}

void ExportAudioDialog::setPlayingRate(int playing)
{
    const int at = rate->findData(playing);
    if (at >= 0)
        rate->setCurrentIndex(at);
}

AudioExportSettings ExportAudioDialog::settings() const
{
    AudioExportSettings s;
    s.count = count->value();
    s.bars = unit->currentIndex() == 1;
    s.chain = unit->currentIndex() == 2;
    s.tail = tail->isChecked();
    s.samples = format->currentIndex() == 1 ? WavSamples::int24 : WavSamples::float32;
    s.sampleRate = rate->currentData().toInt();
    return s;
}

QString ExportAudioDialog::status() const
{
    return statusLine->text();
}

void ExportAudioDialog::chooseAndExport()
{
    if (running())
        return;
    // Audio goes where the user keeps music, then where the last export went.
    QSettings settings;
    QString start = settings.value(QString::fromLatin1(settings::kAudioExportFolder)).toString();
    if (start.isEmpty() || !QFileInfo(start).isDir())
    {
        start = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
        QDir().mkpath(start);
    }
    const QString filter = QStringLiteral("WAV audio (*.wav)");
    const QString file = withSuffixOfFilter(
        dialogs().saveFile(this, QStringLiteral("Export Audio"), start, filter, nullptr), filter);
    if (file.isEmpty())
        return;
    settings.setValue(QString::fromLatin1(settings::kAudioExportFolder),
                      QFileInfo(file).absolutePath());
    exportTo(file);
}

bool ExportAudioDialog::exportTo(const QString& path)
{
    if (running())
        return false;
    exporter = std::make_unique<AudioExport>(AudioExportSource::of(engine), settings());
    if (!exporter->ready())
    {
        statusLine->setText(settings().chain && engine.getChain().empty()
                                ? QStringLiteral("The chain is empty: add patterns to it, or "
                                                 "export loops of the pattern.")
                                : QStringLiteral("This export would not fit a WAV file; choose "
                                                 "fewer loops or bars."));
        exporter.reset();
        return false;
    }
    target = path;
    cancelRequest.store(false, std::memory_order_relaxed);
    finished.store(false, std::memory_order_relaxed);
    progress->setValue(0);
    statusLine->setText(QStringLiteral("Rendering to %1 ...").arg(QDir::toNativeSeparators(path)));
    const std::string file = QFile::encodeName(path).toStdString();
    worker = std::thread(
        [this, file]
        {
            setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), kWorkerNice);
            succeeded.store(exporter->run(file, cancelRequest), std::memory_order_relaxed);
            finished.store(true, std::memory_order_release);
        });
    setRunning(true);
    pollTimer.start();
    return true;
}

void ExportAudioDialog::cancel()
{
    cancelRequest.store(true, std::memory_order_relaxed);
}

void ExportAudioDialog::reject()
{
    if (running())
    {
        cancel();
        finish();
    }
    QDialog::reject();
}

void ExportAudioDialog::poll()
{
    progress->setValue(static_cast<int>(exporter->progress() * kProgressSteps));
    if (finished.load(std::memory_order_acquire))
        finish();
}

void ExportAudioDialog::finish()
{
    pollTimer.stop();
    worker.join();
    const QString file = QDir::toNativeSeparators(target);
    if (succeeded.load(std::memory_order_relaxed))
    {
        progress->setValue(kProgressSteps);
        const double seconds =
            static_cast<double>(exporter->framesWritten()) / settings().sampleRate;
        statusLine->setText(
            QStringLiteral("Exported %1 s to %2.").arg(seconds, 0, 'f', 1).arg(file));
    }
    else if (cancelRequest.load(std::memory_order_relaxed))
        statusLine->setText(QStringLiteral("Cancelled; nothing was written."));
    else
        statusLine->setText(QStringLiteral("%1 could not be written.").arg(file));
    exporter.reset();
    setRunning(false);
}

void ExportAudioDialog::setRunning(bool on)
{
    for (QWidget* w : std::initializer_list<QWidget*>{count, unit, tail, format, rate,
                                                      exportButton, closeButton})
        w->setEnabled(!on);
    cancelButton->setEnabled(on);
}

} // namespace quelvar
