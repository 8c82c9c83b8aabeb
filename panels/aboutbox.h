#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace orvalet {

class Forms;

// The about box: which program and which version. Modeless, opened at a fixed
// spot, destroyed when it closes.
class frmAbout : public QDialog {
    Q_OBJECT

public:
    explicit frmAbout(Forms& forms);

    void Form_Load();
    void cmdOK_Click();

    void setVisible(bool visible) override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QLabel* label(const char* name) const;

    QPushButton* m_ok;
};

} // namespace orvalet
