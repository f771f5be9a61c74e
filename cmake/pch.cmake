# Precompiled headers. The Qt, QCustomPlot and GoogleTest headers are most of every
# translation unit's compile time (qcustomplot.h alone pulls in QtWidgets and QtPrintSupport
# whole), so each library parses them once; test and benchmark programs reuse the PCH of
# their support library.
# With the sources compiled in batches each header is parsed a few times per target only, and
# loading the 400 MB GUI PCH into every batch cost more than it saved (full build 5.5 min with,
# 3.9 min without on 2 cores), so it is off unless asked for.
option(BRINEWICK_PCH "Precompile the Qt, QCustomPlot and GoogleTest headers" OFF)

set(BRINEWICK_PCH_CORE
  <algorithm> <array> <cmath> <functional> <memory> <optional> <string> <vector>
  <QByteArray> <QDir> <QFile> <QFileInfo> <QSettings> <QString> <QStringList>)
# Widgets are for the GUI library only: the core's PCH must not hide a widget include in logic.
set(BRINEWICK_PCH_GUI ${BRINEWICK_PCH_CORE} <qcustomplot.h>)

# brinewick_pch(target CORE|GUI [extra headers...])
function(brinewick_pch target kind)
  if(BRINEWICK_PCH)
    target_precompile_headers(${target} PRIVATE ${BRINEWICK_PCH_${kind}} ${ARGN})
  endif()
endfunction()

# brinewick_pch_reuse(target from): a program whose sources are few compiles no PCH of its own.
function(brinewick_pch_reuse target from)
  if(BRINEWICK_PCH)
    target_precompile_headers(${target} REUSE_FROM ${from})
  endif()
endfunction()
