#include "panels/rcpanel.h"

#include "panels/forms.h"
#include "panels/mainpanel.h"

#include <array>

namespace orvalet {
namespace {

using enum Fit;

// The key buttons are invisible areas over the handset picture; the key table
// gives their codes. Later rows lie on top: where two rectangles overlap (the
// one-pixel strips between the digit rows, between the BOUQUET keys, between Up
// and Left or Right, between Right and VIDEO, and the corners where Left and
// Right meet Down), the later row takes the click.
constexpr std::array rcControls{
    ControlSpec{"Exit", {3150, 0, 195, 195}, ":/faces/exit-13.pic", Stretched, "Quit"},
    ControlSpec{"Power", {1680, 630, 540, 330}},
    ControlSpec{"b1", {630, 1680, 645, 330}},
    ControlSpec{"b2", {1365, 1680, 540, 330}},
    ControlSpec{"b3", {1995, 1680, 540, 330}},
    ControlSpec{"b4", {630, 1995, 645, 330}},
    ControlSpec{"b5", {1365, 1995, 540, 330}},
    ControlSpec{"b6", {1995, 1995, 540, 330}},
    ControlSpec{"b7", {630, 2415, 645, 330}},
    ControlSpec{"b8", {1365, 2415, 540, 330}},
    ControlSpec{"b9", {1995, 2415, 540, 330}},
    ControlSpec{"Previous", {630, 2835, 645, 330}},
    ControlSpec{"b0", {1365, 2835, 540, 330}},
    ControlSpec{"Next", {1995, 2835, 540, 330}},
    ControlSpec{"Mute", {1365, 3360, 540, 225}},
    ControlSpec{"Volume_up", {630, 3465, 435, 330}},
    ControlSpec{"Lame", {1365, 3675, 540, 435}},
    ControlSpec{"Bouquette_up", {2100, 3465, 540, 435}},
    ControlSpec{"Volume_down", {735, 3885, 435, 435}},
    ControlSpec{"Bouquette_down", {1995, 3885, 540, 435}},
    ControlSpec{"Info", {525, 4410, 435, 330}},
    ControlSpec{"Up", {1155, 4410, 960, 435}},
    ControlSpec{"Dream", {2310, 4410, 330, 330}},
    ControlSpec{"Left", {735, 4830, 540, 645}},
    ControlSpec{"OK", {1365, 4935, 540, 330}},
    ControlSpec{"Right", {1995, 4830, 435, 645}},
    ControlSpec{"Down", {1155, 5355, 960, 435}},
    ControlSpec{"Audio", {630, 5565, 330, 330}},
    ControlSpec{"Video", {2205, 5460, 435, 435}},
    ControlSpec{"Red", {630, 6090, 435, 435}},
    ControlSpec{"Green", {1155, 6090, 435, 435}},
    ControlSpec{"Yellow", {1680, 6090, 435, 435}},
    ControlSpec{"Blue", {2205, 6090, 435, 435}},
    ControlSpec{"TV", {735, 6720, 330, 330}},
    ControlSpec{"Radio", {1155, 6720, 435, 330}},
    ControlSpec{"Text", {1680, 6720, 330, 330}},
    ControlSpec{"Help", {2100, 6720, 330, 330}},
};

// The picture is 4 px taller than the window and 2 px narrower: its white
// bottom rows are cut off, and the button-face colour shows in a strip at the
// right.
constexpr PanelSpec rcSpec{
    .name = "frmRC",
    .caption = "Remote Control",
    .design = {6465, twips::barTop, twips::handsetWidth, 9045},
    .background = ":/handset.pic",
    .backgroundFit = Natural,
    .controls = rcControls,
};

} // namespace

frmRC::frmRC(Forms& forms)
    : CommandPanel(forms, PanelId::Rc, rcSpec)
{
    onClick("Exit", &frmRC::Exit_Click);
}

void frmRC::Form_Load()
{
    // No z-order call: this panel stays in the normal band whatever the switch says.
    setLeft(twips::besideBarLeft(twips::screenWidth(twips::panelScreen()), forms().main->Width(),
                                 Width()));
    loadBaseUrl();
}

void frmRC::Exit_Click() { setVisible(false); }

} // namespace orvalet
