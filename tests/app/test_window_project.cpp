// The project in the window: decisions undone and redone from the Edit menu, marks over a span,
// the title's *, the question before unsaved decisions go, saving, and the recovery file.
#include "app/markcommands.h"
#include "app/projectcontroller.h"
#include "export/export_runner.h"
#include "plot/ui/qcpgraph.h"
#include "window_fixture.h"
#include "workbench/workbench.h"

#include <QAction>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>

namespace {

class ProjectWindowTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        QFile::remove(ProjectController::recoveryPath());
        w = shownWindow();
        log = files.writeLines(QStringLiteral("day1.asc"), makeLog(LogRecipe{}), "\r\n");
        open(*w, log);
    }
    QAction *action(const char *name) { return w->findChild<QAction *>(QLatin1String(name)); }
    double ph1(int row) { return w->dataSet().DATA().cell(row, colPH1).number(); }
    std::unique_ptr<frmMain> w;
    QString log;
};

}  // namespace

TEST_F(ProjectWindowTest, DecisionsAreUndoneAndRedoneByNameAndMarksShowOnThePlot) {
    QAction *undo = action("mnuUndo"), *redo = action("mnuRedo");
    ASSERT_TRUE(undo && redo);
    EXPECT_FALSE(undo->isEnabled());
    const double before = ph1(3);
    w->txtPH1Slope->setText(QStringLiteral("57"));
    w->cmdCompute->click();
    EXPECT_EQ(undo->text(), QStringLiteral("&Undo Compute"));
    EXPECT_TRUE(w->windowTitle().startsWith(QStringLiteral("day1.asc* - ")));
    const double after = ph1(3);
    EXPECT_NE(after, before);
    undo->trigger();
    EXPECT_EQ(ph1(3), before);
    EXPECT_EQ(w->txtPH1Slope->text(), QStringLiteral("58.2"));
    redo->trigger();
    EXPECT_EQ(ph1(3), after);

    // An Alt-drag's span, then Mark as Bad with its reason; without a reason nothing is marked.
    const DataTable &t = w->dataSet().DATA();
    w->graph().onMarkSpanPicked(t.rowDay(4), t.rowDay(6));
    ui.textAnswers = {QString(), QStringLiteral("probe out of water")};
    action("mnuMarkBad")->trigger();
    EXPECT_TRUE(w->workbench().marks().empty());
    action("mnuMarkBad")->trigger();
    ASSERT_EQ(w->workbench().marks().list().size(), 1u);
    EXPECT_TRUE(w->workbench().flagText(5).endsWith(u'B'));
    ASSERT_EQ(w->graph().markSpans().size(), 1u);
    EXPECT_EQ(w->graph().markSpans()[0].kind, 1);
    EXPECT_EQ(undo->text(), QStringLiteral("&Undo Mark as Bad"));
    EXPECT_EQ(w->workbench().trail().back().reason, QStringLiteral("probe out of water"));
    undo->trigger();
    EXPECT_TRUE(w->workbench().marks().empty());
    EXPECT_TRUE(w->graph().markSpans().empty());
    EXPECT_EQ(w->workbench().trail().back().what, QStringLiteral("Undo Mark as Bad"));
}

TEST_F(ProjectWindowTest, UnsavedDecisionsAreAskedAboutSavedAndRecovered) {
    w->txtPH1Slope->setText(QStringLiteral("57"));
    w->cmdCompute->click();
    // Cancel keeps the deployment open; Save asks for a name and writes the project.
    ui.answers = {MsgAnswer::Cancel};
    open(*w, files.writeLines(QStringLiteral("other.asc"), makeLog(LogRecipe{}), "\r\n"));
    EXPECT_EQ(ui.messages.back().buttons, MsgButtons::SaveDiscardCancel);
    EXPECT_EQ(QFileInfo(w->workbench().path()).fileName(), QStringLiteral("day1.asc"));
    const QString project = files.path(QStringLiteral("deployment.brinewick"));
    dialog.answers.push_back({project, 1});
    action("mnuSaveProject")->trigger();
    ASSERT_TRUE(QFileInfo(project).isFile());
    EXPECT_EQ(w->windowTitle(), QStringLiteral("deployment.brinewick - day1.asc - Brinewick"));

    // A mark left unsaved is in the recovery file, which the next start offers back.
    ui.textAnswers = {QStringLiteral("fouled")};
    w->showRecord(2);
    action("mnuMarkDoubtful")->trigger();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("deployment.brinewick* - day1.asc - Brinewick"));
    w->project().writeRecovery();
    ASSERT_TRUE(QFileInfo(ProjectController::recoveryPath()).isFile());
    auto next = std::make_unique<frmMain>(&ui, &dialog);
    ui.answers = {MsgAnswer::Yes};
    next->project().offerRecovery();
    ASSERT_EQ(next->workbench().marks().list().size(), 1u);
    EXPECT_EQ(next->workbench().marks().list()[0].text, QStringLiteral("fouled"));
    EXPECT_TRUE(next->project().modified());
    ui.answers = {MsgAnswer::Discard};
    next->close();
    EXPECT_FALSE(QFileInfo(ProjectController::recoveryPath()).isFile());
}

TEST_F(ProjectWindowTest, TheBatchCommandGivesTheWindowsTableForItsProject) {
    w->txtPH2Slope->setText(QStringLiteral("1.02"));
    w->cmdCompute->click();
    ui.textAnswers = {QStringLiteral("air in the cell"), QStringLiteral("checked by hand")};
    w->showRecord(3);
    action("mnuMarkBad")->trigger();
    w->showRecord(7);
    action("mnuAddNote")->trigger();
    const QString project = files.path(QStringLiteral("run.brinewick"));
    dialog.answers.push_back({project, 1});
    action("mnuSaveProject")->trigger();
    dialog.answers.push_back({files.path(QStringLiteral("window.csv")), 1});
    w->mnuExportTable_Click();

    const exporttest::Outcome r =
        exporttest::run({"--project", project, "--csv", files.path(QStringLiteral("batch.csv"))});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    QFile a(files.path(QStringLiteral("window.csv"))), b(files.path(QStringLiteral("batch.csv")));
    ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    const QByteArray window = a.readAll();
    EXPECT_TRUE(window.contains(",bad,") && window.contains("checked by hand"));
    EXPECT_EQ(b.readAll(), window);
}

TEST_F(ProjectWindowTest, AProjectOpensWithItsViewAndItsTitle) {
    w->chkPlotDpH->click();
    w->graph().zoomTo(w->dataSet().DATA().rowDay(4), w->dataSet().DATA().rowDay(12));
    const QString project = files.path(QStringLiteral("view.brinewick"));
    ASSERT_EQ(w->workbench().saveProject(project), QString());

    auto next = std::make_unique<frmMain>(&ui, &dialog);
    ASSERT_TRUE(next->project().open(project));
    EXPECT_TRUE(next->chkPlotDpH->isChecked());
    EXPECT_TRUE(next->isZoomed());
    EXPECT_NEAR(next->graph().zoomedXMin(), w->dataSet().DATA().rowDay(4), 1e-9);
    EXPECT_EQ(next->windowTitle(), QStringLiteral("view.brinewick - day1.asc - Brinewick"));
}
