#include "panels/rcpanel.h"

#include "panels/forms.h"
#include "panels/mainpanel.h"

namespace orvalet {
namespace {

constexpr PanelSpec design{
    .name = "frmRC",
    .caption = "Remote Control",
    .design = {6465, 15, 3330, 9045},
    .background = ":/main-background.svg",
    .backgroundFit = Fit::Natural,
    .controls = {},
};

} // namespace

frmRC::frmRC(Forms& forms)
    : CommandPanel(forms, PanelId::Rc, design)
{}

void frmRC::Form_Load()
{
    setLeft(twips::besideBarLeft(twips::screenWidth(*screen()), forms().main->Width(), Width()));
    loadBaseUrl();
}

} // namespace orvalet
