// Export Table, Save Plot and the Open dialog as a person meets them again the next time.
#include "window_fixture.h"
#include "app/filedialogsize.h"
#include "plot/ui/qcpgraph.h"

#include <qcustomplot.h>

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QImage>
#include <QTest>

namespace {
class SaveTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        for (const char *d : {"logs", "tables", "plots"}) QDir().mkpath(files.path(QLatin1String(d)));
        w = std::make_unique<frmMain>(&ui, &dialog);
        w->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
        open(*w, files.writeLines(QStringLiteral("logs/run7.log"), makeLog(LogRecipe())), 2);
    }
    // Answers the next save dialog with `answer` and returns the name it started with.
    QString save(void (frmMain::*command)(), const QString &answer) {
        dialog.answers.push_back({answer, 1});
        (w.get()->*command)();
        return dialog.calls.last().initialName;
    }
    std::unique_ptr<frmMain> w;
};
}  // namespace

TEST_F(SaveTest, ExportTableAndSavePlotEachKeepTheirOwnFolder) {
    const QString logs = files.path(QStringLiteral("logs")), tables = files.path(QStringLiteral("tables")),
                  plots = files.path(QStringLiteral("plots"));
    EXPECT_EQ(save(&frmMain::mnuExportTable_Click, tables + QStringLiteral("/a.csv")),
              logs + QStringLiteral("/run7.csv"));
    EXPECT_EQ(save(&frmMain::mnuSavePlot_Click, plots + QStringLiteral("/a.png")), logs + QStringLiteral("/run7.png"));
    EXPECT_EQ(save(&frmMain::mnuExportTable_Click, QString()), tables + QStringLiteral("/run7.csv"));
    EXPECT_EQ(save(&frmMain::mnuSavePlot_Click, QString()), plots + QStringLiteral("/run7.png"));
    EXPECT_TRUE(QFile::exists(tables + QStringLiteral("/a.csv")));
    EXPECT_EQ(w->defaultFilePath, logs + u'/');  // the Open dialog's folder is its own

    frmMain next(&ui, &dialog);  // remembered between runs
    open(next, logs + QStringLiteral("/run7.log"));
    next.mnuExportTable_Click();
    EXPECT_EQ(dialog.calls.last().initialName, tables + QStringLiteral("/run7.csv"));
}

TEST_F(SaveTest, SavedPlotsAreLargeAndCarryTheFileAndCalibration) {
    const QString png = files.path(QStringLiteral("plots/p.png")), svg = files.path(QStringLiteral("plots/p.svg"));
    save(&frmMain::mnuSavePlot_Click, png);
    const QImage image(png);
    EXPECT_GE(image.width(), 1600);
    EXPECT_GE(image.height(), 1000);
    EXPECT_GE(image.width(), 2 * w->Pesgo1->width());
    EXPECT_GE(image.height(), 2 * w->Pesgo1->height());

    save(&frmMain::mnuSavePlot_Click, svg);
    QFile f(svg);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(f.readAll());
    for (const char *part :
         {"run7.log", "pH-1: slope 58.2, offset 0, corr 0, T1 corr 0", "pH-2: slope 1, offset -0.0125"})
        EXPECT_TRUE(text.contains(QLatin1String(part))) << part;
    EXPECT_TRUE(ui.messages.isEmpty());
    EXPECT_EQ(w->graph().plot()->plotLayout()->rowCount(), 2);  // the caption row went again
}

TEST_F(SaveTest, TheOpenDialogIsReadableAndKeepsItsSize) {
    QFileDialog first;
    restoreOpenDialogSize(first);
    EXPECT_EQ(first.size(), QSize(kOpenDialogWidth, kOpenDialogHeight));
    EXPECT_EQ(first.viewMode(), QFileDialog::Detail);
    first.resize(1000, 700);
    rememberOpenDialogSize(first);

    QFileDialog second;
    restoreOpenDialogSize(second);
    EXPECT_EQ(second.size(), QSize(1000, 700));
}
