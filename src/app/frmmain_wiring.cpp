// Wiring of the plot, navigation and entry fields (filled in as those parts land).
#include "app/frmmain.h"

void frmMain::wireBehaviour() {}
void frmMain::rebuildPlot() {}
void frmMain::markPlotTime(double) {}
void frmMain::chkAutoscale_Click() {}
void frmMain::mnuFileOpen_Click() {}
