#include "standalone/FileMenu.h"

#include "Fakes.h"
#include "engine/Palladon.h"
#include "panel/FakeDialogs.h"
#include "standalone/Host.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace quelvar
{

namespace
{
struct Files
{
    test::QtTestPaths paths;
    QTemporaryDir folder;
    QWidget window;
    Palladon engine{&Host::hostCallback, Flavour::standalone};
    FileMenu menu{engine, &window};
    test::FakeDialogs* dialogs = nullptr;
    QStringList questions;
    bool answer = false;

    Files()
    {
        auto d = std::make_unique<test::FakeDialogs>();
        dialogs = d.get();
        menu.setFileDialogs(std::move(d));
        menu.setQuestion(
            [this](const QString& text)
            {
                questions << text;
                return answer;
            });
    }

    QString file(const char* name) const { return folder.filePath(QString::fromLatin1(name)); }
    // A pattern file holding a pattern of 5 steps named "saved".
    QString savedPattern()
    {
        Palladon other(nullptr, Flavour::standalone);
        other.getCurrentPattern()->setNBStep(5);
        other.getCurrentPattern()->setName("saved");
        other.exportPattern(file("saved.303").toStdString());
        return file("saved.303");
    }
    const Pattern& current() { return *engine.getCurrentPattern(); }
};
} // namespace

TEST(FileMenu, OpeningOverUnsavedEditsAsksFirst)
{
    Files f;
    const QString path = f.savedPattern();
    EXPECT_TRUE(f.menu.open(path)) << "nothing edited: no question";
    EXPECT_TRUE(f.questions.isEmpty());
    EXPECT_EQ(f.current().getName(), "saved");

    f.engine.getCurrentPattern()->setStepNote(40, 2);
    EXPECT_FALSE(f.menu.open(path));
    ASSERT_EQ(f.questions.size(), 1);
    EXPECT_TRUE(f.questions[0].startsWith("The current pattern has edits"));
    EXPECT_EQ(f.current().getStep(2)->note(), 40) << "refused: the edit stays";

    f.answer = true;
    EXPECT_TRUE(f.menu.open(path));
    EXPECT_NE(f.current().getStep(2)->note(), 40);

    // Edits elsewhere in the song matter to a bank only.
    f.engine.getSong().getPattern(9)->setStepNote(12, 0);
    f.answer = false;
    f.questions.clear();
    EXPECT_TRUE(f.menu.open(path));
    EXPECT_TRUE(f.questions.isEmpty());
    f.engine.exportBank(f.file("all.b303").toStdString());
    f.engine.getSong().getPattern(9)->setStepNote(13, 0);
    EXPECT_FALSE(f.menu.open(f.file("all.b303")));
    ASSERT_EQ(f.questions.size(), 1);
    EXPECT_TRUE(f.questions[0].startsWith("The song has edits"));
}

TEST(FileMenu, SavingExportingAndRecentFiles)
{
    Files f;
    f.engine.getCurrentPattern()->setStepNote(40, 2);
    f.dialogs->answer = f.file("mine"); // typed without a suffix
    f.menu.savePattern();
    EXPECT_TRUE(QFileInfo::exists(f.file("mine.303")));
    EXPECT_FALSE(f.menu.hasUnsavedEdits(false)) << "saved: nothing is lost by opening another";
    EXPECT_EQ(f.dialogs->asked.back().title, "Save Pattern");

    f.dialogs->answer = f.file("line.mid");
    f.menu.exportAs(5);
    EXPECT_GT(QFileInfo(f.file("line.mid")).size(), 20);
    f.dialogs->answer = f.file("line.pat");
    f.menu.exportAs(2);
    EXPECT_TRUE(QFileInfo::exists(f.file("line.pat")));

    f.dialogs->answer = f.savedPattern();
    f.menu.chooseAndOpen();
    EXPECT_EQ(f.current().getName(), "saved");
    EXPECT_EQ(f.menu.recentFiles(),
              (QStringList{f.file("saved.303"), f.file("line.pat"), f.file("mine.303")}));

    // The recent files' menu opens them.
    QMenu* recent = f.menu.menu()->actions()[1]->menu();
    emit recent->aboutToShow();
    ASSERT_EQ(recent->actions().size(), 3);
    EXPECT_EQ(recent->actions()[2]->text(), "mine.303");
    recent->actions()[2]->trigger();
    EXPECT_EQ(f.current().getStep(2)->note(), 40);
    EXPECT_EQ(f.menu.recentFiles().front(), f.file("mine.303"));
}

} // namespace quelvar
