#include "panels/mainpanel.h"

#include "panels/aboutbox.h"
#include "panels/expandpanel.h"
#include "panels/forms.h"

#include <QCoreApplication>

#include <array>

namespace orvalet {
namespace {

using enum Fit;

constexpr std::array mainControls{
    // Lowest first: where rectangles overlap, the later one takes the click.
    ControlSpec{"Info", {0, 0, 330, 330}, nullptr, Stretched, "Info"},
    ControlSpec{"Previous", {525, 90, 405, 195}, ":/faces/previous.pic", Natural, "Previous"},
    ControlSpec{"Play", {1050, 90, 195, 195}, ":/faces/play.pic", Natural, "Play"},
    ControlSpec{"Pause", {1365, 90, 165, 195}, ":/faces/pause.pic", Natural, "Pause"},
    ControlSpec{"Stop", {1680, 90, 195, 195}, ":/faces/stop.pic", Natural, "Stop"},
    ControlSpec{"Next", {1995, 90, 405, 195}, ":/faces/next.pic", Natural, "Next"},
    ControlSpec{"Volume_up", {2625, 19, 210, 195}, ":/faces/volume-up.pic", Stretched, "Volume Up"},
    ControlSpec{
        "Volume_down", {2625, 165, 210, 195}, ":/faces/volume-down.pic", Stretched, "Volume Down"},
    ControlSpec{"Mute", {2940, 75, 210, 225}, ":/faces/mute.pic", Stretched, "Mute"},
    ControlSpec{"Exit_p", {4284, 19, 150, 150}, ":/faces/exit.pic", Stretched, "Quit"},
    ControlSpec{"Expand", {4284, 169, 150, 150}, ":/faces/expand.pic", Stretched, "Expand panel"},
};

constexpr PanelSpec mainSpec{
    .name = "Orvalet",
    .caption = "",
    .design = {0, twips::barTop, twips::barWidth, twips::barHeight},
    .background = ":/main-background.pic",
    .backgroundFit = Stretched,
    .controls = mainControls,
    .emblem = ":/logo.pic",
    .emblemRect = {67, 65, 266, 260},
};

} // namespace

Orvalet::Orvalet(Forms& forms)
    : CommandPanel(forms, PanelId::Main, mainSpec)
{
    onClick("Expand", &Orvalet::Expand_Click);
    onClick("Info", &Orvalet::Info_Click);
    onClick("Exit_p", &Orvalet::Exit_p_Click);
}

void Orvalet::Form_Load()
{
    setLeft(twips::barLeft(twips::screenWidth(twips::panelScreen()), Width()));
    loadBaseUrl();
    setTopmost(false);
}

void Orvalet::Expand_Click()
{
    frmExpand& panel = *forms().expand;
    panel.setVisible(!panel.isVisible());
}

void Orvalet::Info_Click()
{
    frmAbout& box = *forms().about;
    box.show();
    box.raise();
    box.activateWindow();
}

void Orvalet::Exit_p_Click()
{
    // The event loop stops before it hands out another event; the windows go
    // when the program's forms are torn down.
    QCoreApplication::exit(0);
}

void Orvalet::closeEvent(QCloseEvent*)
{
    // Closed by the window system: without this bar nothing is left to quit from.
    QCoreApplication::exit(0);
}

} // namespace orvalet
