// The wizard driver: one call runs a whole installation or removal.
//
// Order: open setup.inf (a failure is reported and ends the run), choose the platform
// sections, load the session resources, prepare the eight pages in the chosen style,
// ask the two gates (the start conditions and the product catalogue, each of which
// tells the user why when it refuses), show the modal wizard; then restart or offer
// the restart when one is needed, whatever the wizard or the gates did. A run that
// answers itself (unattended, "/exitcodes") does not offer it: it restarts only with
// "/reboot:2", else the exit code tells that a restart is needed. The page
// templates (unless a shown classic sheet released them with its pages), the session's
// handles and the script are released, in this order, when the run returns. The
// session record lives on this function's frame, so it outlives every page and worker
// of the run.

#include "setup.h"
#include "assembly.h"
#include "../base/handles.h"
#include "../base/log.h"
#include "../base/messagebox.h"
#include "../catalogue/catalogue.h"
#include "../catalogue/conditions.h"
#include "../catalogue/registration.h"
#include "../pages/pages.h"
#include "../resources/resource.h"

#include <cstdio>
#include <cstring>

namespace {

// A removal of named entries goes ahead only when the script knows every name: the
// Uninstall key also holds other programs' entries, which are not this package's to
// delete. Tells the user which name it does not know. With "/exitcodes" every name must
// also be installed (have its entry), so that the caller learns of a removal that had
// nothing to remove instead of a success.
bool RemovalNamesKnown(HINF inf, HINSTANCE instance, HWND owner)
{
    if (g_Options.Action != ActionRemove) return true;
    for (const char* key = g_Options.SelectedProducts; key && *key; key += std::strlen(key) + 1) {
        int textId = IDS_UNKNOWN_ENTRY;
        if (IsPackageEntry(inf, key)) {
            UniqueKey entry;
            if (!g_Options.ExitCodes || OpenUninstallKey(key, KEY_READ, &entry)) continue;
            textId = IDS_NOT_INSTALLED;
        }
        char format[256] = "", text[256 + 128];
        LoadStringA(instance, textId, format, sizeof format);
        std::snprintf(text, sizeof text, format, key);
        ShowRunMessage(owner, text, nullptr, MB_OK | MB_ICONERROR, IDOK);
        RecordOutcome(OutcomeUnknownEntry);
        return false;
    }
    return true;
}

// The two gates, each of which tells the user why when it refuses.
bool GatesOpen(HINF inf, HINSTANCE instance, HWND owner)
{
    return CheckStartConditions(inf, instance, owner)
           && BuildProductCatalogue(inf, owner, instance, g_Sections.ProductsSection, g_Options.Action)
           && RemovalNamesKnown(inf, instance, owner);
}

} // namespace

int RunWizard(HWND mainWindow)
{
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(mainWindow, GWLP_HINSTANCE));

    // The script; a failure has been reported to the user and ends the run.
    UniqueInf script(OpenSetupScript(instance, mainWindow));
    if (!script) return 0;
    SelectPlatformSections(script.get());

    // The session: the script, fonts, images and texts every page and worker shares.
    SetupSession session = {};
    session.InfHandle = script.get();
    LoadSessionResources(instance, &session);

    // The eight pages. A page whose template is missing leaves the wizard unbuilt: a
    // sheet with a hole would show pages out of their order, so the run goes on as if a
    // gate refused.
    WizardPages pages = {};
    const int complete = AssembleWizardPages(&pages, g_Options.WizardStyle == Classic, instance, &session);

    // The gates, then the modal wizard, opening on the first page of the action.
    if (!complete) RecordOutcome(OutcomeFailed);
    if (complete && GatesOpen(session.InfHandle, instance, mainWindow)) {
        const UINT startPage = g_Options.Action != ActionInstall ? PageRemove : PageWelcome;
        // A wizard that closes before its work succeeded was cancelled (a failure
        // recorded on the way stays).
        RecordOutcome(OutcomeCancelled);
        ShowWizardSheet(&pages, g_Options.WizardStyle, startPage, mainWindow, instance);
    }

    // The restart, also after Cancel or a refusing gate: it depends only on the need.
    if (g_Options.RebootNeeded && g_Options.RebootMode == RebootForce) {
        LogLine("Restart: restarting Windows now (/reboot:2)");
        if (RestartSystem())
            g_Options.RestartStarted = 1;
        else
            LogError("Restarting Windows", GetLastError());
    } else if (g_Options.RebootNeeded && g_Options.RebootMode == RebootPrompt && RunAnswersItself()) {
        LogLine("Restart: needed; not asked in an unattended run with /exitcodes");
    } else if (g_Options.RebootNeeded && g_Options.RebootMode == RebootPrompt) {
        LogLine("Restart: asking the user");
        if (PromptRestart(mainWindow)) g_Options.RestartStarted = 1;
    } else if (g_Options.RebootNeeded) {
        LogLine("Restart: needed, but not asked for (/reboot:0)");
    }
    return 1;
}
