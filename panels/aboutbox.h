#pragma once

#include <QDialog>

namespace orvalet {

class Forms;

class frmAbout : public QDialog {
    Q_OBJECT

public:
    explicit frmAbout(Forms& forms);

    void Form_Load();
};

} // namespace orvalet
