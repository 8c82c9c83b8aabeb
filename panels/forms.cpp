#include "panels/forms.h"

#include "panels/aboutbox.h"
#include "panels/expandpanel.h"
#include "panels/mainpanel.h"
#include "panels/rcpanel.h"

namespace orvalet {

template <class Form> FormSlot<Form>::~FormSlot() { delete m_form.data(); }

template <class Form> Form& FormSlot<Form>::operator*()
{
    if (!m_form) {
        m_form = new Form(m_forms);
        m_form->Form_Load();
    }
    return *m_form;
}

template class FormSlot<Orvalet>;
template class FormSlot<frmExpand>;
template class FormSlot<frmRC>;
template class FormSlot<frmAbout>;

} // namespace orvalet
