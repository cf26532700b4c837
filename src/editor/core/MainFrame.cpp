#include "core/MainFrame.h"

namespace varnisk {

namespace {

Control& button(Form& form, const char* name, const char* caption, Rect r) {
    Control& c = form.add(ControlKind::Button, name, nullptr, r);
    c.caption = caption;
    return c;
}

}  // namespace

void buildMainFrame(Form& form) {
    button(form, "ImportButton", "Import All", {276, 8, 60, 20});
    button(form, "ExportButton", "Export All", {276, 32, 60, 20});
    button(form, "LoadButton", "Load File", {343, 8, 60, 20});
    button(form, "SaveButton", "Save File", {343, 32, 60, 20});
    button(form, "LMDPath", "Manual GP4 Path", {410, 8, 90, 20});
    button(form, "DefaultCockpitButton", "Default All", {410, 32, 58, 20});
    button(form, "LMDButton4", "Manual Cars wad", {507, 8, 90, 20});
    Control& status = form.add(ControlKind::Caption, "Status", nullptr, {475, 32, 123, 21});
    status.bevel = Bevel::Lowered;
    status.align = Align::Center;
    Control& frame = form.add(ControlKind::Caption, "Panel26", nullptr, {276, 58, 322, 241});
    frame.bevel = Bevel::Lowered;
    form.add(ControlKind::View, "GLView", nullptr, {277, 59, 320, 239});
}

PreviewSize previewSizeFor(int outerWidth) {
    int width = outerWidth - 293;
    return {width, width * 3 / 4};
}

void layoutMainFrame(Form& form) {
    Control& pages = form.get("Onglets");
    Rect r = pages.bounds;
    r.height = form.height() - kFrameHeight;
    form.setBounds(pages, r);
    PreviewSize p = previewSizeFor(form.width());
    form.setBounds(form.get("Panel26"), {276, 58, p.width + 2, p.height + 2});
    form.setBounds(form.get("GLView"), {277, 59, p.width, p.height});
}

void buildCreditsWindow(Form& form) {
    Control& panel = form.add(ControlKind::Caption, "Panel1", nullptr, {8, 8, 240, 128});
    panel.bevel = Bevel::Lowered;
    panel.align = Align::Center;
    panel.caption =
        "Varnisk 6.6\n\n"
        "Cameras, cockpit, tyres and team\n"
        "details of Grand Prix 4,\n"
        "edited and put back into the game.\n\n"
        "Written by the Varnisk developers.";
    form.add(ControlKind::Rule, "", &panel, {70, 35, 100, 2});
    Control& ok = form.add(ControlKind::Button, "Button1", nullptr, {92, 142, 73, 19});
    ok.caption = "OK";
}

}  // namespace varnisk
