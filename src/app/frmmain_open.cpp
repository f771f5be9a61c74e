// File > Open: the road of one file from the dialog to the screen.
#include "app/datagrid.h"
#include "app/frmmain.h"
#include "export/ui/windowexport.h"
#include "fields/util.h"
#include "fileio/fileio.h"
#include "fileio/ui/frmmeter.h"
#include "plot/graph.h"
#include "plot/ui/qcpgraph.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>

namespace {
const QStringList kFilters = {QStringLiteral("pH Probe Asc files (*.asc)"), QStringLiteral("Log files (*.log)"),
                              QStringLiteral("Text files (*.txt)"), QStringLiteral("All files (*.*)")};
const QStringList kPatterns = {QStringLiteral("*.asc"), QStringLiteral("*.log"), QStringLiteral("*.txt"),
                               QStringLiteral("*.*")};
const QString kDesignStart = QStringLiteral("1/1/1988 00:00:00");
const QString kDesignEnd = QStringLiteral("1/1/1999 00:00:00");

class QtFileDialog : public IFileDialog {
    static Result run(QFileDialog &dialog, const QStringList &filters) {
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
        return {dialog.selectedFiles().first(), int(filters.indexOf(dialog.selectedNameFilter())) + 1};
    }

public:
    explicit QtFileDialog(QWidget *parent) : m_parent(parent) {}
    Result showOpen(const QString &title, const QStringList &filters, const QString &initialName,
                    int selectedFilter) override {
        QFileDialog dialog(m_parent, title);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setNameFilters(filters);
        const int slash = int(initialName.lastIndexOf(u'/'));
        if (slash >= 0) dialog.setDirectory(initialName.left(slash + 1));
        if (selectedFilter >= 1 && selectedFilter <= filters.size())
            dialog.selectNameFilter(filters[selectedFilter - 1]);
        return run(dialog, filters);
    }
    Result showSave(const QString &title, const QStringList &filters, const QString &initialName) override {
        QFileDialog dialog(m_parent, title);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setNameFilters(filters);
        dialog.selectFile(initialName);
        return run(dialog, filters);
    }

private:
    QWidget *m_parent;
};
}  // namespace

QString frmMain::folderOf(const QString &chosen) {
    const QString t = chosen.trimmed();
    const QString r = Util::ReverseText(t);
    const QString name = Util::ReverseText(Util::NextToken(r, QStringLiteral("/")).value_or(QString()));
    const QString whole = Util::ReverseText(r);
    return whole.left(whole.size() - name.size());
}

void frmMain::mnuFileOpen_Click() {
    QtFileDialog qtDialog(this);
    IFileDialog &dialog = m_dialog ? *m_dialog : qtDialog;
    const int type = defaultFileType >= 1 && defaultFileType <= 4 ? defaultFileType : 1;
    const IFileDialog::Result chosen =
        dialog.showOpen(QStringLiteral("Open"), kFilters, defaultFilePath + kPatterns[type - 1], defaultFileType);
    if (chosen.fileName.isEmpty()) return;
    defaultFileType = chosen.filterIndex;
    defaultFilePath = folderOf(chosen.fileName);
    openPath(chosen.fileName);
}

void frmMain::openDroppedPath(const QString &path) {
    // As if chosen in the dialog with the file type that fits its name.
    const QString suffix = QStringLiteral("*.") + QFileInfo(path).suffix().toLower();
    const int type = int(kPatterns.indexOf(suffix));
    defaultFileType = type >= 0 && type < 3 ? type + 1 : 4;
    defaultFilePath = folderOf(path);
    openPath(path);
}

void frmMain::openPath(const QString &path) {
    statusPanel1->setText(path);
    ReaderContext ctx{*m_ui,
                      [this](const QString &t) { statusPanel2->setText(t); },
                      [this] { return std::unique_ptr<IMeterView>(std::make_unique<frmMeter>(this)); },
                      {}};
    readFromFile(statusPanel1->text(), *m_dataSet, ctx);

    setupGridColumns(TDBGrid1, m_dataSet->fieldlist());
    DataTable &table = m_dataSet->DATA();
    TDBGrid1->bindTable(&table);
    TDBGrid1->refreshGrid();
    if (table.rowCount() == 0) clearReadout();  // nothing of an earlier file may stay on show
    showRecord(0);

    txtPH1Offset->setText(generalNumberText(m_dataSet->pH1_Offset()));
    txtPH1Slope->setText(generalNumberText(m_dataSet->pH1_Slope()));
    txtPH2Offset->setText(generalNumberText(m_dataSet->pH2_Offset()));
    txtPH2Slope->setText(generalNumberText(m_dataSet->pH2_Slope()));

    if (m_dataSet->isInitialized()) {
        if (table.rowCount() > 0) {
            txtStart->setText(table.text(0, colDateTime));
            txtEnd->setText(table.text(table.rowCount() - 1, colDateTime));
        } else {
            txtStart->setText(kDesignStart);
            txtEnd->setText(kDesignEnd);
        }
        m_graph->request(kActionUndoZoom);
        cmdCompute_Click();
    }
    mnuExportTable->setEnabled(m_dataSet->isInitialized());
    mnuSavePlot->setEnabled(m_dataSet->isInitialized());
}

namespace {
// The chosen name with the extension of the chosen file type when it has none of them.
QString withExtension(QString name, const QStringList &extensions, int filterIndex) {
    for (const QString &e : extensions)
        if (name.endsWith(e, Qt::CaseInsensitive)) return name;
    return name + extensions.value(filterIndex - 1, extensions.first());
}

QString baseNameOf(const QString &logPath) {
    const QFileInfo info(logPath);
    return info.absolutePath() + u'/' + info.completeBaseName();
}
}  // namespace

void frmMain::mnuExportTable_Click() {
    QtFileDialog qtDialog(this);
    IFileDialog &dialog = m_dialog ? *m_dialog : qtDialog;
    const auto chosen = dialog.showSave(QStringLiteral("Export Table"), {QStringLiteral("CSV files (*.csv)")},
                                        baseNameOf(statusPanel1->text()) + QStringLiteral(".csv"));
    if (chosen.fileName.isEmpty()) return;
    exportTable(withExtension(chosen.fileName, {QStringLiteral(".csv")}, 1), *m_dataSet, *m_ui);
}

void frmMain::mnuSavePlot_Click() {
    QtFileDialog qtDialog(this);
    IFileDialog &dialog = m_dialog ? *m_dialog : qtDialog;
    const QStringList filters = {QStringLiteral("PNG image (*.png)"), QStringLiteral("PDF document (*.pdf)"),
                                 QStringLiteral("SVG drawing (*.svg)")};
    const auto chosen = dialog.showSave(QStringLiteral("Save Plot"), filters,
                                        baseNameOf(statusPanel1->text()) + QStringLiteral(".png"));
    if (chosen.fileName.isEmpty()) return;
    const QStringList extensions = {QStringLiteral(".png"), QStringLiteral(".pdf"), QStringLiteral(".svg")};
    savePlot(withExtension(chosen.fileName, extensions, chosen.filterIndex), *m_graph, *m_ui);
}

void frmMain::clearReadout() {
    for (QLabel *l : {lblPH1, lblPH2, lblNow, lblFlowRate, lblTotalVolume}) l->clear();
    for (std::size_t i = 0; i < 3; ++i) {
        lblTherm[i]->clear();
        lblTCorrected[i]->clear();
    }
}
