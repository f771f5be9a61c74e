// File > Recent Files: what was opened last, newest first, and a file that has gone away.
#include "window_fixture.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QMenu>

namespace {
class RecentTest : public WindowTest {
protected:
    QMenu *menu(frmMain &w) { return w.findChild<QMenu *>(QStringLiteral("mnuRecentFiles")); }
    QStringList names(frmMain &w) {
        QStringList out;
        for (QAction *a : menu(w)->actions()) out << a->text();
        return out;
    }
    QString log(int i) { return files.writeLines(QStringLiteral("f%1.asc").arg(i), makeLog(LogRecipe())); }
};
}  // namespace

TEST_F(RecentTest, TheLastEightNewestFirstRememberedAcrossRuns) {
    QStringList paths;
    {
        frmMain w(&ui, &dialog);
        ASSERT_NE(menu(w), nullptr);
        EXPECT_FALSE(menu(w)->isEnabled());  // nothing yet
        for (int i = 1; i <= 9; ++i) open(w, paths.emplaceBack(log(i)));
        w.openDroppedPath(paths[2]);  // a dropped file counts too, and only once
        EXPECT_EQ(names(w), QStringList({"&1 f3.asc", "&2 f9.asc", "&3 f8.asc", "&4 f7.asc", "&5 f6.asc", "&6 f5.asc",
                                         "&7 f4.asc", "&8 f2.asc"}));
    }
    EXPECT_EQ(QSettings().value(QStringLiteral("Settings/RecentFiles")).toStringList(),
              QStringList({paths[2], paths[8], paths[7], paths[6], paths[5], paths[4], paths[3], paths[1]}));

    frmMain again(&ui, &dialog);
    EXPECT_EQ(names(again).size(), 8);
    menu(again)->actions()[3]->trigger();  // f7.asc
    EXPECT_EQ(again.statusPanel1->text(), paths[6]);
    EXPECT_EQ(names(again).first(), QStringLiteral("&1 f7.asc"));
}

TEST_F(RecentTest, AFileThatIsGoneIsTakenOffWithAMessage) {
    frmMain w(&ui, &dialog);
    const QString kept = log(1), gone = log(2);
    open(w, kept);
    open(w, gone);
    QFile::remove(gone);
    ui.messages.clear();
    menu(w)->actions()[0]->trigger();
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.messages[0].text,
              QStringLiteral("\"%1\" is no longer there, so it has been taken off the recent files.").arg(gone));
    EXPECT_EQ(ui.messages[0].title, QStringLiteral("Brinewick"));
    EXPECT_EQ(names(w), QStringList({"&1 f1.asc"}));
    EXPECT_EQ(w.statusPanel1->text(), gone);  // nothing else was opened
    EXPECT_EQ(QSettings().value(QStringLiteral("Settings/RecentFiles")).toStringList(), QStringList({kept}));
}
