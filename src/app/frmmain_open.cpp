// File > Open: the road of one file from the dialog to the screen.
#include "app/datagrid.h"
#include "app/filedialogsize.h"
#include "app/markcommands.h"
#include "app/projectcontroller.h"
#include "app/frmmain.h"
#include "app/savefolders.h"
#include "app/segmentselector.h"
#include "app/statisticspanel.h"
#include "export/ui/windowexport.h"
#include "fields/ui/widgetutil.h"
#include "fields/util.h"
#include "fileio/fileio.h"
#include "model/datatable.h"
#include "model/interaction.h"
#include "model/numbertext.h"
#include "plot/graph.h"
#include "plot/ui/qcpgraph.h"
#include "workbench/workbench.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QScopeGuard>
#include <QSignalBlocker>
#include <limits>

namespace {

class QtFileDialog : public IFileDialog {
    static Result run(QFileDialog &dialog, const QStringList &filters) {
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
        return {dialog.selectedFiles().first(), int(filters.indexOf(dialog.selectedNameFilter())) + 1, false,
                dialog.selectedFiles()};
    }

public:
    explicit QtFileDialog(QWidget *parent) : m_parent(parent) {}
    Result showOpen(const QString &title, const QStringList &filters, const QString &initialName,
                    int selectedFilter) override {
        QFileDialog dialog(m_parent, title);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFiles);
        dialog.setNameFilters(filters);
        const int slash = int(initialName.lastIndexOf(u'/'));
        if (slash >= 0) dialog.setDirectory(initialName.left(slash + 1));
        if (selectedFilter >= 1 && selectedFilter <= filters.size())
            dialog.selectNameFilter(filters[selectedFilter - 1]);
        restoreOpenDialogSize(dialog);
        const Result chosen = run(dialog, filters);
        rememberOpenDialogSize(dialog);
        return chosen;
    }
    QString showFolder(const QString &title, const QString &start) override {
        return QFileDialog::getExistingDirectory(m_parent, title, start);
    }
    Result showSave(const QString &title, const QStringList &filters, const QString &initialName) override {
        QFileDialog dialog(m_parent, title);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setNameFilters(filters);
        dialog.selectFile(initialName);
        return run(dialog, filters);
    }
    Result showSaveWithOption(const QString &title, const QStringList &filters, const QString &initialName,
                              const QString &option) override {
        QFileDialog dialog(m_parent, title);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setNameFilters(filters);
        dialog.selectFile(initialName);
        // Qt's own dialog, as a platform one takes no extra widget.
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        auto *box = new QCheckBox(option, &dialog);
        box->setObjectName(QStringLiteral("chkSaveOption"));
        if (auto *grid = qobject_cast<QGridLayout *>(dialog.layout())) grid->addWidget(box, grid->rowCount(), 0, 1, -1);
        Result r = run(dialog, filters);
        r.option = box->isChecked();
        return r;
    }

private:
    QWidget *m_parent;
};
}  // namespace

namespace {
// The file names of a deployment's logs, in its order.
QStringList logNames(const Join &join) {
    QStringList names;
    for (const JoinedLog &l : join.logs) names << QFileInfo(l.path).fileName();
    return names;
}

QString moreLogs(const Join &join) {
    return join.logs.size() > 1 ? QStringLiteral(" and %1 more logs").arg(join.logs.size() - 1) : QString();
}
}  // namespace

IFileDialog &frmMain::fileDialog() {
    if (m_dialog) return *m_dialog;
    if (!m_ownDialog) m_ownDialog = std::make_unique<QtFileDialog>(this);
    return *m_ownDialog;
}

void frmMain::showLogs() {
    const Workbench &wb = *m_workbench;
    TDBGrid1->setLogs(&wb.join(), logNames(wb.join()));
    const QString inPart = !statusReadInPart->isHidden() ? QStringLiteral(" (read in part)") : QString();
    // The project's name first, with a * while its decisions are unsaved.
    const QString project = m_project ? m_project->name() : QString();
    const QString logs = wb.isOpen() ? QFileInfo(wb.path()).fileName() + moreLogs(wb.join()) + inPart : QString();
    const QString unsaved = m_project && m_project->modified() ? QStringLiteral("*") : QString();
    QStringList parts;
    if (!project.isEmpty()) parts << project + unsaved;
    if (!logs.isEmpty()) parts << (project.isEmpty() ? logs + unsaved : logs);
    parts << kAppTitle;
    setWindowTitle(parts.join(QStringLiteral(" - ")));
}

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
    const IFileDialog::Result chosen = dialog.showOpen(QStringLiteral("Open"), logFileFilters(),
                                                       defaultFilePath + logFilePatterns()[type - 1], defaultFileType);
    if (chosen.fileName.isEmpty()) return;
    defaultFileType = chosen.filterIndex;
    defaultFilePath = folderOf(chosen.fileName);
    const QStringList paths = chosen.fileNames.isEmpty() ? QStringList{chosen.fileName} : chosen.fileNames;
    if (paths.size() == 1 && paths.first().endsWith(QStringLiteral(".brinewick"), Qt::CaseInsensitive)) {
        m_project->open(paths.first());  // a project chosen under "All files"
        return;
    }
    openPaths(paths);
}

void frmMain::mnuFileOpenFolder_Click() {
    QtFileDialog qtDialog(this);
    IFileDialog &dialog = m_dialog ? *m_dialog : qtDialog;
    const QString folder = dialog.showFolder(QStringLiteral("Open Folder"), defaultFilePath);
    if (folder.isEmpty()) return;
    openPaths({}, folder);
}

void frmMain::openDroppedPath(const QString &path) { openDroppedPaths({path}); }

void frmMain::openDroppedPaths(const QStringList &paths) {
    if (paths.size() == 1 && paths.first().endsWith(QStringLiteral(".brinewick"), Qt::CaseInsensitive)) {
        m_project->open(paths.first());
        return;
    }
    // As if chosen in the dialog with the file type that fits the first one's name.
    const QString suffix = QStringLiteral("*.") + QFileInfo(paths.first()).suffix().toLower();
    const int type = int(logFilePatterns().indexOf(suffix));
    defaultFileType = type >= 0 && type < 3 ? type + 1 : 4;
    defaultFilePath = folderOf(paths.first());
    openPaths(paths);
}

void frmMain::openPath(const QString &path) { openPaths({path}); }

void frmMain::openPaths(const QStringList &paths, const QString &folder) {
    if (!m_project->maybeSave()) return;
    stopFollowing();  // another file, or the same one read anew
    m_opening = true;
    const auto opened = qScopeGuard([this] { m_opening = false; });
    Workbench &wb = *m_workbench;
    if (paths.size() == 1) {
        statusPanel1->setText(paths.first());
        wb.open(statusPanel1->text());
    } else {
        statusPanel1->setText(folder.isEmpty() ? paths.first() : folder);
        if (folder.isEmpty())
            wb.openLogs(paths);
        else
            wb.openFolder(folder);
    }
    m_project->forget();
    showOpened(paths.size() == 1 ? paths.first() : QString());
}

void frmMain::showOpened(const QString &path) {
    Workbench &wb = *m_workbench;
    m_segments->opened();
    // A read stopped part way (Cancel, a No) says so until the next open: panel 2's
    // "Failed@line:" gives way to the plot's status at once.
    const ReadReport &read = wb.readReport();
    const bool inPart = wb.isOpen() && !read.completed && read.stoppedAtLine > 0;
    statusReadInPart->setText(inPart ? QStringLiteral("read in part: stopped at line %1").arg(read.stoppedAtLine)
                                     : QString());
    statusReadInPart->setVisible(inPart);
    showLogs();

    setupGridColumns(TDBGrid1, wb.dataSet().fieldlist());
    DataTable &table = wb.table();
    TDBGrid1->bindTable(&table);
    TDBGrid1->setComputedRows(wb.computedRows());
    TDBGrid1->refreshGrid();
    if (table.rowCount() == 0) clearReadout();  // nothing of an earlier file may stay on show
    showRecord(0);

    // The file's calibration, as the fields show it; each change marks Compute as needed.
    m_bufferCalibration = {};  // made for the previous file
    const Calibration &c = wb.calibration();
    txtPH1Offset->setText(generalNumberText(c.offset[0]));
    txtPH1Slope->setText(generalNumberText(c.slope[0]));
    txtPH2Offset->setText(generalNumberText(c.offset[1]));
    txtPH2Slope->setText(generalNumberText(c.slope[1]));
    showKeptCalibration();

    if (wb.isOpen()) {
        // Quietly: the Compute below builds the plot once, from the fields as they are then.
        const QString start = wb.plotInputs().start, end = wb.plotInputs().end;
        Util::setTextQuietly(txtStart, start);
        Util::setTextQuietly(txtEnd, end);
        m_graph->request(kActionUndoZoom);
        computeNow();
        if (const auto &zoom = wb.projectZoom()) {
            // The view the project was saved with.
            m_graph->zoomTo(zoom->first, zoom->second);
        }
    }
    if (m_statistics) {
        const QSignalBlocker quiet(m_statistics->includeBadBox());
        m_statistics->includeBadBox()->setChecked(wb.statisticsIncludeBad());
    }
    if (m_marks) m_marks->showMarks();
    if (wb.isOpen() && !path.isEmpty()) rememberRecent(path);
    mnuExportTable->setEnabled(wb.isOpen());
    mnuSavePlot->setEnabled(wb.isOpen());
    mnuCalibrate->setEnabled(wb.isOpen());
    mnuPrint->setEnabled(wb.isOpen());
    mnuExportReport->setEnabled(wb.isOpen());
    mnuFollow->setEnabled(wb.canFollow());
    // An empty or binary file reads without a fault, and would leave only a blank plot behind.
    if (wb.isOpen() && wb.readReport().completed && wb.table().rowCount() == 0)
        statusPanel2->setText(QStringLiteral("No records in this file"));
}

namespace {
// The chosen name with the extension of the chosen file type when it has none of them.
QString withExtension(QString name, const QStringList &extensions, int filterIndex) {
    for (const QString &e : extensions)
        if (name.endsWith(e, Qt::CaseInsensitive)) return name;
    return name + extensions.value(filterIndex - 1, extensions.first());
}
}  // namespace

void frmMain::mnuExportTable_Click() {
    QtFileDialog qtDialog(this);
    IFileDialog &dialog = m_dialog ? *m_dialog : qtDialog;
    const auto chosen = dialog.showSaveWithOption(
        QStringLiteral("Export Table"), {QStringLiteral("CSV files (*.csv)")},
        saveStartName(QStringLiteral("ExportTablePath"), statusPanel1->text(), QStringLiteral(".csv")),
        QStringLiteral("Visible range only"));
    if (chosen.fileName.isEmpty()) return;
    rememberSaveFolder(QStringLiteral("ExportTablePath"), chosen.fileName);
    // The rows the plot shows: the zoomed range, or the typed one without autoscale.
    const auto rows =
        chosen.option ? m_workbench->visibleRows(isZoomed()) : std::pair<int, int>{0, std::numeric_limits<int>::max()};
    const std::optional<CsvLogs> logs = m_workbench->csvLogs();
    const CsvQc qc = m_workbench->csvQc();
    const std::optional<CsvMarks> marks = m_workbench->csvMarks();
    exportTable(withExtension(chosen.fileName, {QStringLiteral(".csv")}, 1), m_workbench->dataSet(), *m_ui,
                m_workbench->path(), &qc, rows, logs ? &*logs : nullptr, marks ? &*marks : nullptr);
}

void frmMain::mnuSavePlot_Click() {
    QtFileDialog qtDialog(this);
    IFileDialog &dialog = m_dialog ? *m_dialog : qtDialog;
    const QStringList filters = {QStringLiteral("PNG image (*.png)"), QStringLiteral("PDF document (*.pdf)"),
                                 QStringLiteral("SVG drawing (*.svg)")};
    const auto chosen =
        dialog.showSave(QStringLiteral("Save Plot"), filters,
                        saveStartName(QStringLiteral("SavePlotPath"), statusPanel1->text(), QStringLiteral(".png")));
    if (chosen.fileName.isEmpty()) return;
    rememberSaveFolder(QStringLiteral("SavePlotPath"), chosen.fileName);
    const QStringList extensions = {QStringLiteral(".png"), QStringLiteral(".pdf"), QStringLiteral(".svg")};
    savePlot(withExtension(chosen.fileName, extensions, chosen.filterIndex), *m_graph, *m_ui,
             m_workbench->plotCaption(), m_workbench->path());
}

void frmMain::mnuExportReport_Click() {
    if (!m_workbench->isOpen()) return;
    QtFileDialog qtDialog(this);
    IFileDialog &dialog = m_dialog ? *m_dialog : qtDialog;
    const auto chosen = dialog.showSave(
        QStringLiteral("Export Report"), {QStringLiteral("PDF document (*.pdf)")},
        saveStartName(QStringLiteral("ExportReportPath"), statusPanel1->text(), QStringLiteral(".pdf")));
    if (chosen.fileName.isEmpty()) return;
    rememberSaveFolder(QStringLiteral("ExportReportPath"), chosen.fileName);
    saveReport(withExtension(chosen.fileName, {QStringLiteral(".pdf")}, 1));
}
