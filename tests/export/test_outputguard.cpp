// The same-file check between the outputs and the inputs of one run.
#include "export/outputguard.h"
#include "support/temp_files.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

TEST(OutputGuard, LinksAndSpellingsOfOneFileClash) {
    TempFiles tmp;
    const QString log = tmp.write("run.asc", "x\r\n");
    ASSERT_TRUE(QFile::link(log, tmp.path("soft.asc")));
    ASSERT_EQ(::link(QFile::encodeName(log).constData(), QFile::encodeName(tmp.path("hard.asc")).constData()), 0);
    ASSERT_TRUE(QDir().mkdir(tmp.path("real")));
    ASSERT_TRUE(QFile::link(tmp.path("real"), tmp.path("alias")));
    const QList<NamedFile> in = {{"the log", log}};

    for (const QString &out :
         {log, tmp.path("./run.asc"), tmp.path("real/../run.asc"), tmp.path("soft.asc"), tmp.path("hard.asc")})
        EXPECT_EQ(sameFileConflict(in, {{"--csv", out}}),
                  "--csv \"" + out + "\" is the same file as the log \"" + log + "\"; nothing was written.")
            << out.toStdString();

    // Two outputs of a run that do not exist yet, one through a linked folder.
    EXPECT_EQ(sameFileConflict(in, {{"--csv", tmp.path("real/a.png")}, {"--plot", tmp.path("alias/a.png")}}),
              "--plot \"" + tmp.path("alias/a.png") + "\" is the same file as --csv \"" + tmp.path("real/a.png") +
                  "\"; nothing was written.");
    // The window's wording starts with a capital.
    EXPECT_TRUE(sameFileConflict({{"the open log", log}}, {{"the table file", log}}).startsWith("The table file"));

    // Files of their own, and devices or pipes, which are written in place, pass.
    EXPECT_EQ(sameFileConflict(in, {{"--csv", tmp.path("a.csv")}, {"--plot", tmp.path("a.png")}}), "");
    const QString fifo = tmp.path("pipe");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_EQ(sameFileConflict({{"the log", fifo}}, {{"--csv", fifo}}), "");
    EXPECT_EQ(sameFileConflict({{"the log", "-"}}, {{"--csv", "-"}}), "");
}
