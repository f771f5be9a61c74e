#include "fileio/progressmeter.h"

#include <cmath>

void ProgressMeter::Bump() {
    ++m_processed;
    // Between the display's steps (a tenth of a long read apart), Cancel is still looked at
    // about five times a second.
    if (m_view && (m_processed & 8191) == 0 && m_sinceAsked.isValid() && m_sinceAsked.elapsed() >= 200) askCancel();
    if (m_numRecords <= 0) return;
    // nearbyint rounds half-way cases to the even integer (12.5 -> 12).
    const int percent = int(std::nearbyint(double(m_processed) / m_numRecords * 100.0));
    if (percent < m_nextUpdate) return;
    m_nextUpdate += m_stepSize;
    m_text = QString::number(m_processed) + QStringLiteral(" records processed (") + QString::number(percent) +
             QStringLiteral("%)");
    m_progress = percent;
    if (m_view) {
        m_view->setText(m_text);
        m_view->setProgress(percent);
    }
    if (m_ui) m_ui->processPendingEvents();
    if (m_view) askCancel();
}

void ProgressMeter::askCancel() {
    if (m_view->cancelRequested()) m_cancelled = true;
    m_sinceAsked.start();
}
