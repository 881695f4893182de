// A service that the service control manager refuses to create, and a service whose
// install section is missing: the run ends after the files and the registry entries, with
// the cause on the error box; no service is left, and the removal through the uninstall
// entry that the run wrote succeeds and leaves nothing behind.

#include "fault_support.h"

#include <gtest/gtest.h>

#include <setupapi.h>

namespace {

using faults::Package;

bool ServiceExists(const std::string& name)
{
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (!manager) return false;
    SC_HANDLE service = OpenServiceA(manager, name.c_str(), SERVICE_QUERY_STATUS);
    if (service) CloseServiceHandle(service);
    CloseServiceHandle(manager);
    return service != nullptr;
}

// Deletes the service if a failed check left it behind.
struct ServiceCleanup {
    explicit ServiceCleanup(const std::string& serviceName) : name(serviceName) {}
    ~ServiceCleanup()
    {
        SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
        if (!manager) return;
        if (SC_HANDLE service = OpenServiceA(manager, name.c_str(), DELETE)) {
            DeleteService(service);
            CloseServiceHandle(service);
        }
        CloseServiceHandle(manager);
    }
    std::string name;
};

// The package with an AddService line for `service` whose install section is `sections`
// (the install section's name is "Fault.Service"), and a DelService line in the removal.
std::string ServicesOf(const std::string& service, const std::string& sections)
{
    return "[Install.Services]\r\nAddService = " + service + ",,Fault.Service\r\n[Remove.Services]\r\nDelService = "
           + service + "\r\n" + sections;
}

TEST(ServiceFaults, AServiceTheManagerRefusesEndsTheRunWithItsErrorAndTheRemovalCleansUp)
{
    const std::string service = "NorvaleFaultSvc" + std::to_string(GetCurrentProcessId());
    ServiceCleanup cleanup(service);
    // Service type 0 is no type at all: CreateServiceA refuses it.
    Package package("Svc", "", "",
                    ServicesOf(service, "[Fault.Service]\r\nDisplayName = \"Norvale refused service\"\r\n"
                                        "ServiceType = 0\r\nStartType = 3\r\nErrorControl = 1\r\n"
                                        "ServiceBinary = C:\\windows\\system32\\notepad.exe\r\n"));
    ASSERT_TRUE(package.ready) << package.target;

    const e2e::UnattendedRun run = e2e::RunUnattended(package.medium.exe, "/quiet /lang:eng");
    ASSERT_TRUE(run.started);
    ASSERT_EQ(1u, run.boxes.size()) << e2e::DescribeBoxes(run.boxes);
    EXPECT_EQ(faults::ErrorBoxText(faults::InstallFailed, ERROR_INVALID_PARAMETER), run.boxes[0].text);
    EXPECT_EQ(0u, run.exit.exitCode);
    EXPECT_FALSE(ServiceExists(service));
    // Files and registry entries come before the services and stay; so do the entries.
    EXPECT_INSTALLED(package);

    EXPECT_UNATTENDED_RUN(faults::RemoveWithRecordedCommand(package, package.client));
    EXPECT_REMOVED(package);
    EXPECT_FALSE(ServiceExists(service));
}

// An AddService line that names an install section the script lacks: the run ends there,
// and the box names the missing section (the system may have no text for that code;
// then the sentence stands alone) rather than an unrelated cause.
TEST(ServiceFaults, AMissingServiceSectionEndsTheRunWithoutAStrayCause)
{
    const std::string service = "NorvaleFaultNoSect" + std::to_string(GetCurrentProcessId());
    ServiceCleanup cleanup(service);
    Package package("SvcSect", "", "", ServicesOf(service, ""));
    ASSERT_TRUE(package.ready) << package.target;

    e2e::Running setup;
    HWND sheet = faults::OpenWizardOnReadyPage(package.medium.exe, &setup);
    ASSERT_TRUE(sheet);
    ASSERT_TRUE(driver::PressWizardButton(sheet, driver::WizardNext));
    driver::MessageBoxInfo box;
    ASSERT_TRUE(driver::WaitForMessageBox(setup.process, e2e::WaitLimitMs, &box));
    EXPECT_EQ(sheet, box.owner);
    EXPECT_EQ(faults::ErrorBoxText(faults::InstallFailed, ERROR_SECTION_NOT_FOUND), box.text);
    ASSERT_TRUE(driver::AnswerMessageBox(box.window, IDOK));
    ASSERT_TRUE(driver::WaitForWindowGone(box.window, e2e::WaitLimitMs));
    ASSERT_TRUE(driver::PressWizardButton(sheet, driver::WizardCancel));
    std::vector<driver::MessageBoxInfo> boxes;
    const driver::ExitResult exit = e2e::EndWizardRun(&setup, &boxes);
    EXPECT_TRUE(boxes.empty()) << e2e::DescribeBoxes(boxes);
    EXPECT_EQ(0u, exit.exitCode);
    EXPECT_FALSE(ServiceExists(service));

    EXPECT_UNATTENDED_RUN(faults::RemoveWithRecordedCommand(package, package.client));
    EXPECT_REMOVED(package);
}

} // namespace
