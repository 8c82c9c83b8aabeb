#pragma once

#include <QIcon>
#include <QPointer>

namespace orvalet {

class Forms;
class Orvalet;
class frmExpand;
class frmRC;
class frmAbout;

// A window that exists once, made the first time any code touches it: that
// runs its load handler. A window the window system closes is gone, and the
// next touch makes it afresh.
template <class Form>
class FormSlot {
public:
    explicit FormSlot(Forms& forms)
        : m_forms(forms)
    {}
    ~FormSlot();
    FormSlot(const FormSlot&) = delete;
    FormSlot& operator=(const FormSlot&) = delete;

    Form& operator*();
    Form* operator->() { return &**this; }

    // Looks without touching.
    bool isLoaded() const;

private:
    Forms& m_forms;
    QPointer<Form> m_form;
};

// The program's windows. The last one listed goes first at the end.
class Forms {
public:
    Forms() = default;
    Forms(const Forms&) = delete;
    Forms& operator=(const Forms&) = delete;

    FormSlot<Orvalet> main{*this};
    FormSlot<frmExpand> expand{*this};
    FormSlot<frmRC> rc{*this};
    FormSlot<frmAbout> about{*this};

    // The program's icon, which every window carries.
    const QIcon& icon();

private:
    QIcon m_icon;
};

} // namespace orvalet
