// One QApplication for the whole test program, offscreen, with HOME in a temporary folder so
// the panel's preset folder and settings never touch the user's.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <cstdlib>
#include <memory>

namespace
{
class QtEnvironment : public ::testing::Environment
{
public:
    void SetUp() override
    {
        home = std::make_unique<QTemporaryDir>();
        setenv("HOME", qPrintable(home->path()), 1);
        unsetenv("XDG_CONFIG_HOME");
        unsetenv("XDG_DATA_HOME");
        const QString runtime = home->path() + QStringLiteral("/runtime");
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                           QFileDevice::ExeOwner);
        setenv("XDG_RUNTIME_DIR", qPrintable(runtime), 1);
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        static int argc = 1;
        static char name[] = "panel_tests";
        static char* argv[] = {name, nullptr};
        app = std::make_unique<QApplication>(argc, argv);
        QCoreApplication::setOrganizationName(QStringLiteral("Brontavell"));
        QCoreApplication::setApplicationName(QStringLiteral("Quelvar"));
    }
    void TearDown() override
    {
        app.reset();
        home.reset();
    }

private:
    std::unique_ptr<QTemporaryDir> home;
    std::unique_ptr<QApplication> app;
};

[[maybe_unused]] auto* const environment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);
} // namespace
