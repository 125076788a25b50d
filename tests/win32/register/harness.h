// Shared scaffolding of the registration tests: a test main window from
// MAINDLG under which pages are created through the frame, a descriptor of the
// tests' own, and small registry readers.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "frame/frame.h"
#include "frame/wizard.h"
#include "pages/paths.h"

// Runs the thread's messages until `done` holds or `ms` pass.
bool PumpUntil(const std::function<bool()>& done, DWORD ms);

class WizardHarness : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Shows a work page as the first work page, followed by the ready page in
    // the walk, so that GoNextPage after the work shows "Ready to install".
    void ShowWorkPage(const char* templateName, DLGPROC procedure);
    std::string PageTitle();
    bool MovedOn() { return PageTitle() == "Ready to install"; }
    bool OnErrorPage() { return PageTitle() == "Installation not completed"; }
    std::string ErrorText();

    const char* Templates[ProductPageCount] = {};
    PageProcedure Procedures[ProductPageCount] = {};
    int Walk[3] = {PageCopy, PageReady, -1};
    InstallDescriptor SavedDescriptor{};
};

// Registry helpers, aimed where the registry layer is aimed: the default (or
// named) value of a key, or "<none>".
std::string ReadValue(HKEY root, const std::string& key, const char* name = nullptr);
bool KeyExists(HKEY root, const std::string& key);
void ClearKey(HKEY root, const std::string& key);
void WriteValue(HKEY root, const std::string& key, const std::string& text);
