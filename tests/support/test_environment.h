#pragma once
// Settings and runtime files of one test program only, so programs run side by side.
#include <QTemporaryDir>

void isolateTestEnvironment(const QTemporaryDir &home);
void nameTestApplication();
