#include "ui/instance_requests.h"

#include "settings/language.h"
#include "settings/paths.h"
#include "settings/setting_keys.h"
#include "settings/settings_ops.h"
#include "ui/assistant.h"
#include "ui/ids.h"
#include "ui/main_window.h"
#include "ui/opening.h"
#include "ui/platform/platform.h"
#include "ui/platform/requesters.h"
#include "ui/tray.h"

namespace zarvon::ui {
namespace pf = zarvon::platform;

namespace {

// How long a later start waits for the running program to take its request:
// the running one answers from its event loop, which also turns during a
// long extraction.
constexpr int kRequestTimeout = 5000;

void bringForward(int window)
{
    if (pf::getWindowState(window) == pf::WindowState::Minimized)
        pf::setWindowState(window, pf::WindowState::Normal);
    pf::showWindow(window);
    pf::activateWindow(window);
}

void serve(const std::vector<std::string> &arguments)
{
    const std::string archive = arguments.empty() ? std::string() : arguments.front();
    if (mainWindowExists()) {
        if (inTray())
            restoreFromTray();
        else
            bringForward(ids::WindowMain);
        if (!archive.empty())
            openArchiveAtPath(archive);
        return;
    }
    if (assistantExists()) {
        bringForward(ids::WindowAssistant);
        if (!archive.empty())
            showAssistantExtractionOf(archive);
    }
}

} // namespace

InstanceRole takeInstanceRole(const std::vector<std::string> &arguments)
{
    if (!settings::settingIs(settings::kMultitaskWindow, "0") || pf::holdsInstanceLock())
        return InstanceRole::Running;
    const std::string name = settings::programFileName();
    if (pf::acquireInstanceLock(name)) {
        // Without a channel the program still runs; later starts are then
        // told that it does not answer.
        pf::listenForRequests(name);
        return InstanceRole::Running;
    }
    if (pf::sendRequest(name, arguments, kRequestTimeout))
        return InstanceRole::HandedOver;
    pf::messageBox("Zarvon",
                   settings::languageText("MsgInstanceNoAnswer",
                                          "Zarvon est déjà lancé mais ne répond pas : l'archive n'a pas pu lui être "
                                          "transmise."),
                   pf::MessageIcon::Error);
    return InstanceRole::NoAnswer;
}

void serveRequests(bool promptOpen)
{
    if (promptOpen)
        return;
    std::vector<std::string> arguments;
    while (!pf::exitRequested() && pf::takeRequest(arguments))
        serve(arguments);
}

} // namespace zarvon::ui
