#include "panels/expandpanel.h"

#include "panels/forms.h"
#include "panels/mainpanel.h"
#include "panels/rcpanel.h"

#include <array>

namespace orvalet {
namespace {

using enum Fit;

constexpr std::array expandControls{
    ControlSpec{"Dream", {525, 70, 240, 240}, ":/faces/dream.pic", Stretched, "Dream"},
    ControlSpec{"Video", {840, 70, 240, 240}, ":/faces/video.pic", Stretched, "Video"},
    ControlSpec{"Lame", {1155, 70, 240, 240}, ":/faces/lame.pic", Stretched, "Lame"},
    ControlSpec{"OK", {1470, 70, 240, 240}, ":/faces/ok.pic", Stretched, "OK"},
    ControlSpec{"Power", {2205, 45, 225, 255}, ":/faces/power.pic", Natural, "Power"},
    ControlSpec{"RC", {3990, 60, 240, 240}, ":/faces/rc.pic", Stretched, "Remote Control"},
    // The switch lies over the right end of RC and takes the click there.
    ControlSpec{
        "AOToff", {4200, 75, 210, 210}, ":/faces/aot-off.pic", Natural, "Always On Top Disabled"},
    ControlSpec{"AOTon",
                {4200, 70, 210, 210},
                ":/faces/aot-on.pic",
                Natural,
                "Always On Top Enabled",
                false},
};

// Top 390 twips: the main panel's top plus its height, flush beneath it.
constexpr PanelSpec expandSpec{
    .name = "frmExpand",
    .caption = "Form1",
    .design = {0, twips::barTop + twips::barHeight, twips::barWidth, twips::barHeight},
    .background = ":/expand-background.pic",
    .backgroundFit = Stretched,
    .controls = expandControls,
};

} // namespace

frmExpand::frmExpand(Forms& forms)
    : CommandPanel(forms, PanelId::Expand, expandSpec)
{
    onClick("RC", &frmExpand::RC_Click);
    onClick("AOToff", &frmExpand::AOToff_Click);
    onClick("AOTon", &frmExpand::AOTon_Click);
}

void frmExpand::Form_Load()
{
    setLeft(twips::barLeft(twips::screenWidth(twips::panelScreen()), Width()));
    loadBaseUrl();
    setTopmost(false);
}

void frmExpand::RC_Click()
{
    frmRC& panel = *forms().rc;
    panel.setVisible(!panel.isVisible());
}

void frmExpand::AOToff_Click()
{
    forms().main->setTopmost(true);
    setTopmost(true);
    control("AOTon")->setVisible(true);
    control("AOToff")->setVisible(false);
}

void frmExpand::AOTon_Click()
{
    forms().main->setTopmost(false);
    setTopmost(false);
    control("AOTon")->setVisible(false);
    control("AOToff")->setVisible(true);
}

} // namespace orvalet
