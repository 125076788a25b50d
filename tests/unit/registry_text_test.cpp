#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "core/product_tables.h"
#include "core/registry_names.h"
#include "core/registry_text.h"
#include "core/server_config.h"

namespace {

typedef std::function<bool(char*, size_t)> Composer;

// A composition fits a buffer of its length and one more byte; one byte
// less gives false and an empty text, never a cut one that would be written.
void ExpectWholeOrNothing(const char* what, const Composer& compose)
{
    char text[1024];
    ASSERT_TRUE(compose(text, sizeof text)) << what;
    const std::string whole = text;
    ASSERT_FALSE(whole.empty()) << what;
    EXPECT_TRUE(compose(text, whole.size() + 1)) << what;
    EXPECT_EQ(whole, text) << what;
    EXPECT_FALSE(compose(text, whole.size())) << what;
    EXPECT_STREQ("", text) << what;
}

TEST(RegistryText, CompositionsAreWholeOrEmpty)
{
    const FileTypeRow* row = &ProductFileTypes[0];
    const char* prefix = "C:\\Program Files\\KOVAwin\\";
    ExpectWholeOrNothing("key", [](char* out, size_t size) { return JoinKey(out, size, UninstallRoot, UninstallKeyName); });
    ExpectWholeOrNothing("class", [&](char* out, size_t size) { return FileTypeClassName(row, out, size); });
    ExpectWholeOrNothing("icon", [&](char* out, size_t size) { return FileTypeIcon(row, prefix, out, size); });
    ExpectWholeOrNothing("open", [&](char* out, size_t size) { return FileTypeOpenCommand(row, prefix, out, size); });
    ExpectWholeOrNothing("copy back", [](char* out, size_t size) {
        return CopyBackParameters("C:\\Temp\\tarndaemon.conf", "C:\\Users\\a\\KOVA_TMP", out, size);
    });
}

} // namespace
