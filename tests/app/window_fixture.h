#pragma once
// A real main window, offscreen, with scripted messages and a scripted Open dialog.
#include "app/datagrid.h"
#include "app/frmmain.h"
#include "model/clsdataset.h"
#include "support/scripted_interaction.h"
#include "support/temp_files.h"

#include <QSettings>
#include <QTest>
#include <deque>
#include <memory>
#include <gtest/gtest.h>

class ScriptedFileDialog : public IFileDialog {
public:
    struct Call {
        QString title;
        QStringList filters;
        QString initialName;
        int selectedFilter;
    };
    std::deque<Result> answers;  // when used up: cancel
    QList<Call> calls;
    Result showOpen(const QString &title, const QStringList &filters, const QString &initialName,
                    int selectedFilter) override {
        calls.append({title, filters, initialName, selectedFilter});
        return next();
    }
    Result showSave(const QString &title, const QStringList &filters, const QString &initialName) override {
        calls.append({title, filters, initialName, 0});
        return next();
    }
    Result next() {
        if (answers.empty()) return {};
        Result r = answers.front();
        answers.pop_front();
        return r;
    }
};

// Lines of a probe log: header, calibration, start date, column header, then records.
struct LogRecipe {
    QStringList calibration = {QStringLiteral("\"Probe 1 Slope:\",58.2"), QStringLiteral("\"Probe 2 Slope:\",1"),
                               QStringLiteral("\"Probe 1 Offset:\",0"), QStringLiteral("\"Probe 2 Offset:\",-0.0125")};
    QString startDate = QStringLiteral("#2004-5-13#");
    int records = 20;
    int firstSecond = 8 * 3600;
    int step = 1800;
};
QStringList makeLog(const LogRecipe &rule);

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override { QSettings().clear(); }
    void TearDown() override { QSettings().clear(); }
    // Opens the file through File > Open with the dialog answering it.
    void open(frmMain &w, const QString &path, int filter = 1) {
        dialog.answers.push_back({path, filter});
        w.mnuFileOpen_Click();
    }
    // A shown, active window of this test's interaction and dialog.
    std::unique_ptr<frmMain> shownWindow() {
        auto w = std::make_unique<frmMain>(&ui, &dialog);
        w->show();
        EXPECT_TRUE(QTest::qWaitForWindowActive(w.get()));
        return w;
    }
    ScriptedInteraction ui;
    ScriptedFileDialog dialog;
    TempFiles files;
};
