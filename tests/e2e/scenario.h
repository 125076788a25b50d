// The fixture every scenario starts from: a clean system, the setup started
// with scratch TEMP and UserProfile, helpers that walk the wizard and fail
// with what the setup showed instead (another page, a message box, the
// error page) rather than hang.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "setup_driver.h"
#include "system_state.h"

// Page titles (IDC_PAGE_TITLE).
extern const char kWelcome[];
extern const char kDestination[];
extern const char kReplace[];
extern const char kReady[];
extern const char kCopying[];
extern const char kRegistry[];
extern const char kIcons[];
extern const char kComplete[];
extern const char kNotCompleted[];
extern const char kOsMismatch[];

extern const char kReaderTrace[];
extern const char kUninstallTrace[];
extern const char kOpenTrace[];

// Payload rows as the installer names them once installed, with the staged
// file each comes from.
struct PayloadFile {
    std::string installedName;
    std::string stagedPath;
};
std::vector<PayloadFile> PayloadFiles();
// What the page should count as required on a drive with the given sector
// size: the staged files' sizes, each rounded up to a whole sector.
unsigned long RequiredBytesFor(unsigned long bytesPerSector);
// A size as the page shows it.
std::string Megabytes(uint32_t bytes);
// What the page shows as available space on a drive ("> 2 GB", "N.N MB", "n/a").
std::string AvailableText(char driveLetter);
unsigned long SectorSize(char driveLetter);

class SetupScenario : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the setup with the scratch environment; its current directory
    // is kSetupDir (beside which "acrobat" may be put). `environment` adds
    // NAME=VALUE entries (KOVAWIN_LIB is unset unless given here).
    ::testing::AssertionResult StartSetup(const std::vector<std::string>& environment = {});
    // Waits for a page; fails early on a message box, the error page or the
    // end of the process. Takes a screenshot of the page.
    ::testing::AssertionResult OnPage(const char* title, DWORD timeoutMs = 10000);
    // Clicks a main-window button and waits for the page that should follow.
    ::testing::AssertionResult Press(int buttonId, const char* nextTitle, DWORD timeoutMs = 10000);
    ::testing::AssertionResult WalkToDestination();
    // From the destination page: types `dir`, Next, and on to the ready page
    // (answering the replace page with Yes when it comes).
    ::testing::AssertionResult WalkToReady(const char* dir);
    // From the ready page through copy, registry and icons to the last page.
    ::testing::AssertionResult WalkToCompletion();
    // Follows the work pages, once started, to the completion page;
    // `seenPages` gets the page titles in the order they showed.
    ::testing::AssertionResult FollowWorkPages(std::vector<std::string>* seenPages = nullptr);
    // Start, destination `dir`, and the whole walk to the completion page.
    ::testing::AssertionResult InstallTo(const char* dir, const std::vector<std::string>& environment = {});
    // Waits for the process to end without any message box on the way.
    ::testing::AssertionResult ExitsWithoutQuestion(DWORD timeoutMs = 10000);
    // After Next on the ready page: true once the copy page's buttons are
    // set. Its start command is then already queued, so a click posted now
    // reaches the copy while it works (in the pause after the copy a click
    // closes at once). Watched through window texts the setup need not answer.
    bool WaitForCopyStart();
    void Shot(const char* name) { ShotOf(setup_.main(), name); }
    void ShotOf(HWND window, const char* name);
    void PutReaderStub();

    static const char kSetupDir[];
    SetupProcess setup_;
    std::vector<HANDLE> others_;   // programs a scenario started itself
    HtmlAssociation html_;
    int shots_ = 0;
    std::string screensDir_;   // empty: per test below the build's screens directory
};
