#include "panels/forms.h"

#include "panels/aboutbox.h"
#include "panels/drawing.h"
#include "panels/expandpanel.h"
#include "panels/mainpanel.h"
#include "panels/rcpanel.h"

#include <QPainter>
#include <QPixmap>

namespace orvalet {

const QIcon& Forms::icon()
{
    // Drawn once at its one size: an icon made from the drawing's file would load
    // the icon engine plugin and draw the drawing again at several sizes for
    // every window the window system is told of.
    if (m_icon.isNull()) {
        QPixmap picture(32, 32);
        picture.fill(Qt::transparent);
        QPainter painter(&picture);
        Drawing(":/logo.pic").paint(painter, picture.rect(), Fit::Stretched);
        painter.end();
        m_icon = QIcon(picture);
    }
    return m_icon;
}

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
        m_form->setWindowIcon(m_forms.icon());
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
