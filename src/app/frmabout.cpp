#include "app/frmabout.h"
#include "model/interaction.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
QLabel *label(QWidget *parent, const char *name, const QString &text) {
    auto *l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    l->setWordWrap(true);
    return l;
}

const QStringList kTermsOfUse = {
    QStringLiteral("Brinewick, its documentation and its code are provided as they are, without"),
    QStringLiteral("warranty of any kind, express or implied, including quality, consistency or"),
    QStringLiteral("fitness for any particular purpose."),
    QStringLiteral("The makers give no support and take on no duty to help with its use, or to"),
    QStringLiteral("correct, modify or enhance it."),
    QStringLiteral("Brinewick is distributed under the GNU General Public License version 3; its"),
    QStringLiteral("complete source code is available from the Brinewick developers, brinewick@example.org."),
    QStringLiteral("Questions: the Brinewick team, through your site's instrument support."),
};

const QStringList kComponents = {
    QStringLiteral("Brinewick is built on the Qt toolkit (Qt 6), used under the GNU Lesser General "
                   "Public License version 3."),
    QStringLiteral(" "),
    QStringLiteral("The time plot is drawn with QCustomPlot 2.1, used under the GNU General Public "
                   "License version 3."),
};
}  // namespace

frmAbout::frmAbout(QWidget *owner) : QDialog(owner) {
    setObjectName(QStringLiteral("frmAbout"));
    setModal(true);
    setAttribute(Qt::WA_DeleteOnClose);  // unloaded on closing; the next opening loads afresh

    lblTitle = label(this, "lblTitle", QStringLiteral("Application Title"));
    lblVersion = label(this, "lblVersion", QStringLiteral("Version"));
    lblExecutable = label(this, "lblExecutable", QStringLiteral("Executable:"));
    lblCopyright =
        label(this, "lblCopyright", QStringLiteral("Copyright \u00A9 the Brinewick team. All rights reserved."));
    Label1 = label(this, "Label1", QStringLiteral("Written for the people who check pH probe logs."));
    QFont big = lblTitle->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.3);
    lblTitle->setFont(big);

    Frame2 = new QGroupBox(QStringLiteral("Terms of Use"), this);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    lblTermsOfUse = label(Frame2, "lblTermsOfUse", QString());
    (new QVBoxLayout(Frame2))->addWidget(lblTermsOfUse);

    Frame1 = new QGroupBox(QStringLiteral("Additional  Licensing Information"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Label5 = label(Frame1, "Label5", QString());
    (new QVBoxLayout(Frame1))->addWidget(Label5);

    auto *cmdOK = new QPushButton(QStringLiteral("Dismiss"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);  // cmdOK_Click

    auto *layout = new QVBoxLayout(this);
    for (QWidget *w : {static_cast<QWidget *>(lblTitle), static_cast<QWidget *>(lblVersion),
                       static_cast<QWidget *>(lblExecutable), static_cast<QWidget *>(lblCopyright),
                       static_cast<QWidget *>(Label1), static_cast<QWidget *>(Frame2), static_cast<QWidget *>(Frame1)})
        layout->addWidget(w);
    layout->addWidget(cmdOK, 0, Qt::AlignRight);
    setMinimumWidth(480);
    Form_Load();
}

void frmAbout::Form_Load() {
    setWindowTitle(QStringLiteral("About ") + kAppTitle);
    lblVersion->setText(QStringLiteral("Version ") + kAppVersion);
    lblTitle->setText(QStringLiteral("Title: ") + kAppTitle);
    lblExecutable->setText(QStringLiteral("Application: ") +
                           QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName());
    lblTermsOfUse->setText(kTermsOfUse.join(QStringLiteral("\r\n")));
    Label5->setText(kComponents.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n  \r\n"));
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}
