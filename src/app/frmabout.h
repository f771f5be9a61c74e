#pragma once
#include <QDialog>

class QLabel;
class QGroupBox;

// The About box: title, version, executable and the notices.
class frmAbout : public QDialog {
    Q_OBJECT
public:
    explicit frmAbout(QWidget *owner);
    void Form_Load();

private:
    QGroupBox *Frame1, *Frame2;
    QLabel *Label5, *lblTermsOfUse, *lblCopyright, *Label1, *lblExecutable, *lblTitle, *lblVersion;
};
