#include "panels/forms.h"

#include "panels/aboutbox.h"
#include "panels/expandpanel.h"
#include "panels/mainpanel.h"
#include "panels/rcpanel.h"

namespace orvalet {

template <class Form>
FormSlot<Form>::~FormSlot()
{
    delete m_form.data();
}

template <class Form>
bool FormSlot<Form>::isLoaded() const
{
    // A closed window drops this attribute and goes at the next turn of the
    // event loop: it is gone already.
    return m_form && m_form->testAttribute(Qt::WA_DeleteOnClose);
}

template <class Form>
Form& FormSlot<Form>::operator*()
{
    if (!isLoaded()) {
        m_form = new Form(m_forms);
        // Whatever closes a window, the window system or its own button, destroys it.
        m_form->setAttribute(Qt::WA_DeleteOnClose);
        m_form->Form_Load();
    }
    return *m_form;
}

template class FormSlot<Orvalet>;
template class FormSlot<frmExpand>;
template class FormSlot<frmRC>;
template class FormSlot<frmAbout>;

} // namespace orvalet
