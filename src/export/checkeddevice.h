#pragma once
// A write-only view of another device that never lets a failed or short write pass unseen.
// Writers such as QPdfWriter and QSvgGenerator ignore what write() returns; through this view
// the first failure is kept with the system's reason and every later write fails too.
#include <QIODevice>
#include <QString>

class CheckedDevice : public QIODevice {
public:
    explicit CheckedDevice(QIODevice &target);
    bool failed() const { return m_failed; }
    // The system's reason for the first failure ("No space left on device").
    QString reason() const { return m_reason; }
    // Fails as a write does, for a failure found outside a write (flush, close).
    void fail(const QString &reason);

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 len) override;

private:
    QIODevice &m_target;
    bool m_failed = false;
    QString m_reason;
};
