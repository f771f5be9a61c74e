#include "export/outputguard.h"

#include <QDir>
#include <QFileInfo>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Identity {
    QString canonical;     // empty when the path cannot be resolved
    bool regular = false;  // an existing regular file: dev and ino are set
    bool special = false;  // an existing device, pipe or socket: never a clash
    dev_t dev = 0;
    ino_t ino = 0;
};

Identity identify(const QString &path, bool output) {
    Identity id;
    struct stat st {};
    const bool stdStream = path == u"-";
    const int rc = stdStream ? ::fstat(output ? STDOUT_FILENO : STDIN_FILENO, &st)
                             : ::stat(QFile::encodeName(path).constData(), &st);
    if (rc == 0) {
        id.regular = S_ISREG(st.st_mode);
        id.special = !id.regular && !S_ISDIR(st.st_mode);
        id.dev = st.st_dev;
        id.ino = st.st_ino;
    }
    if (stdStream) return id;
    const QFileInfo info(path);
    id.canonical = info.canonicalFilePath();
    if (id.canonical.isEmpty()) {  // not there yet: its folder resolved, then its name
        const QString dir = QFileInfo(info.absolutePath()).canonicalFilePath();
        id.canonical = (dir.isEmpty() ? QDir::cleanPath(info.absolutePath()) : dir) + u'/' + info.fileName();
    }
    return id;
}

bool sameFile(const Identity &a, const Identity &b) {
    // Writing a device or pipe in place destroys nothing, and a terminal is input and output at once.
    if (a.special || b.special) return false;
    if (a.regular && b.regular) return a.dev == b.dev && a.ino == b.ino;
    return !a.canonical.isEmpty() && a.canonical == b.canonical;
}

QString clash(const NamedFile &output, const NamedFile &other) {
    QString text = QStringLiteral("%1 \"%2\" is the same file as %3 \"%4\"; nothing was written.")
                       .arg(output.what, output.path, other.what, other.path);
    text[0] = text[0].toUpper();
    return text;
}

}  // namespace

QString sameFileConflict(const QList<NamedFile> &inputs, const QList<NamedFile> &outputs) {
    QList<Identity> in, out;
    for (const NamedFile &f : inputs) in << identify(f.path, false);
    for (const NamedFile &f : outputs) out << identify(f.path, true);
    for (qsizetype o = 0; o < outputs.size(); ++o) {
        for (qsizetype i = 0; i < inputs.size(); ++i)
            if (sameFile(out[o], in[i])) return clash(outputs[o], inputs[i]);
        for (qsizetype p = 0; p < o; ++p)
            if (sameFile(out[o], out[p])) return clash(outputs[o], outputs[p]);
    }
    return {};
}
