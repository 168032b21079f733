// The Netscape 4.x installer with an installation, its Users folder and the browser's registry key
// made by the test (the key is removed afterwards).
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "../resources/texts.h"
#include "components/components.h"
#include "prompts.h"
#include "scratch.h"
#include "system.h"
#include "world.h"

// Each case starts from a package, an installation with its Java folders, one plain profile among
// entries that are none, and the registry value, and changes one thing. A file in use holds older
// content; its prompt is answered Abort, which ends the installer. Outcome: "result|message|prompts|
// package files landed". Paths that would pass 260 characters fail named as far as they fit.
TEST(NetscapeTest, InstallsIntoJavaFoldersAndPlainProfilesAndReportsEveryOutcome)
{
    ScratchDir scratch("ns");
    const char key[] = "Software\\Netscape\\Netscape Navigator\\Main";
    const std::string root = scratch / "pkg", users = scratch / "Netscape\\Users", alice = users + "\\alice";
    const std::string java = scratch / "Netscape\\Communicator\\Program\\java", classes = java + "\\classes";
    const std::string package[] = {"jars\\sub\\b", "ocfpcsc1.dll", "opencard.properties"};  // each holds its name
    auto wide = [&](size_t n, char c) { return scratch / std::string(n - scratch.path().size() - 1, c); };
    const std::string cutClasses = wide(245, 'x'), cutBridge = wide(232, 'y');  // long installations
    auto setDir = [&](const std::string& dir) {
        RegSetKeyValueA(HKEY_CURRENT_USER, key, "Install Directory", REG_SZ, dir.c_str(), (DWORD)dir.size() + 1);
    };
    auto installAt = [&](const std::string& dir) {  // the Java folders and the registry value
        MakeDirs(dir + "\\Program\\java\\classes\\sub");
        MakeDirs(dir + "\\Program\\java\\bin");
        setDir(dir);
    };
    auto out = [](int result, const std::string& text, size_t prompts, int landed) {
        return std::to_string(result) + "|" + text + "|" + std::to_string(prompts) + "|" + std::to_string(landed);
    };
    auto copyError = [](int code, const std::string& file) {  // a path named as far as it fits
        return "Błąd kopiowania pliku: kod #" + std::to_string(code) + ", plik: `" + file.substr(0, 260) + "'";
    };
    const std::string partial = "Niepełna kopia pliku opencard.properties dla profilów użytkowników przeglądarki "
                                "Netscape; kod operacji: OP1PF2";
    struct Case { std::function<void()> change; int result; std::string message; int landed; };
    const Case cases[] = {  // only an abort (2) answers a prompt
        {[&] { RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Netscape"); }, 3, kMsgNetscapeNotFound, 0},
        {[&] { RegDeleteKeyValueA(HKEY_CURRENT_USER, key, "Install Directory"); }, 3, kMsgNetscapeNotFound, 0},
        {[&] { setDir("C:\\" + std::string(260, 'n')); }, 3, kMsgNetscapeNotFound, 0},
        {[&] { setDir(""); }, 3, kMsgNetscapeNotFound, 0},
        {[&] { RemoveTree(root + "\\ns"); }, 1, kMsgIncomplete, 0},
        {[&] { RemoveTree(classes); }, 1, copyError(3, classes + "\\sub"), 0},  // the browser's folder: never made
        {[&] { RemoveTree(root + "\\ns\\jars"); }, 1, copyError(2, ""), 0},
        {[&] { RemoveTree(users); }, 1, kMsgNetscapeNoProfile, 2},
        {[&] { MakeDirs(users + "\\bob\\.opencard.properties"); }, 3, partial, 3},  // a folder in its place
        {[&] { MakeDirs(users + "\\" + std::string(210, 'p')); }, 3, partial, 3},
        {[&] { setDir(cutClasses); }, 1, copyError(3, cutClasses + "\\Program\\java\\classes"), 0},
        // The class folder and its tree still fit, the bridge library's path does not.
        {[&] { installAt(cutBridge); }, 1, copyError(1, cutBridge + "\\Program\\java\\bin\\ocfpcsc1.dll"), 0},
        {[&] { WriteFile(classes + "\\sub\\b", "old"); }, 2, kMsgUserAbort, 0},
        {[&] { WriteFile(java + "\\bin\\ocfpcsc1.dll", "old"); }, 2, kMsgUserAbort, 1},
        {[&] { WriteFile(alice + "\\.opencard.properties", "old"); }, 2, kMsgUserAbort, 2},
        {[] {}, 0, "untouched", 3},
    };
    for (const Case& c : cases) {
        RemoveTree(scratch.path());
        MakeDirs(root + "\\ns\\jars\\sub");
        for (const std::string& file : package)
            WriteFile(root + "\\ns\\" + file, file);
        // Only plain folders are profiles: any further attribute, or a file, is skipped.
        for (const std::string& folder : {alice, users + "\\hidden", users + "\\system"})
            MakeDirs(folder);
        SetFileAttributesA((users + "\\hidden").c_str(), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN);
        SetFileAttributesA((users + "\\system").c_str(), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_SYSTEM);
        WriteFile(users + "\\notes.txt", "a file, not a profile");
        installAt(scratch / "Netscape\\Communicator");
        c.change();
        // A running browser holds whichever of these files the change left in place.
        HeldOpen jar(classes + "\\sub\\b"), bridge(java + "\\bin\\ocfpcsc1.dll");
        HeldOpen profile(alice + "\\.opencard.properties");
        PromptResponder responder(IDABORT);
        // Every outcome closes its handles and keys and restores the working directory.
        char message[592] = "untouched";
        int handles = CountOpenHandles();
        ScopedCurrentDirectory cd(root);
        int result = InstallNetscapeComponents(message, sizeof message), landed = 0;
        EXPECT_EQ(root, CurrentDirectory()) << c.message;
        EXPECT_EQ(handles, CountOpenHandles()) << "a handle or key was left open: " << c.message;
        for (const auto& file : Files(scratch / "Netscape"))
            landed += (int)std::count(std::begin(package), std::end(package), file.second);
        EXPECT_EQ(out(c.result, c.message, c.result == 2, c.landed),
                  out(result, message, responder.prompts().size(), landed));
    }
    EXPECT_EQ("jars\\sub\\b|ocfpcsc1.dll|opencard.properties", ReadFile(classes + "\\sub\\b") + "|" +
              ReadFile(java + "\\bin\\ocfpcsc1.dll") + "|" + ReadFile(alice + "\\.opencard.properties"));
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Netscape");
}
