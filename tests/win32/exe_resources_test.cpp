// The resources compiled into Zbn2PPT.exe, read back through the system's
// resource calls and compared with the program's own resource data: the
// strings, the About box, the icon, the version block and the manifest.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/resources.h"
#include "framework/afx_types.h"

namespace {

// The program, loaded for its resources only; its path comes from the
// environment (ZBN2PPT_EXE), set by the build.
class ExeResourcesTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        const wchar_t* path = _wgetenv(L"ZBN2PPT_EXE");
        ASSERT_NE(path, nullptr) << "ZBN2PPT_EXE is not set";
        path_ = reinterpret_cast<const char16_t*>(path);
        module_ = ::LoadLibraryExW(path_.c_str(), nullptr,
                                   LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(module_, nullptr) << "cannot load " << ::GetLastError();
    }
    static void TearDownTestSuite() {
        if (module_ != nullptr) {
            ::FreeLibrary(module_);
        }
    }

    static const BYTE* Resource(const char16_t* type, WORD id, DWORD* size = nullptr) {
        HRSRC found = ::FindResourceW(module_, MAKEINTRESOURCEW(id), type);
        if (found == nullptr) {
            return nullptr;
        }
        if (size != nullptr) {
            *size = ::SizeofResource(module_, found);
        }
        return static_cast<const BYTE*>(::LockResource(::LoadResource(module_, found)));
    }

    static inline HMODULE module_ = nullptr;
    static inline std::u16string path_;
};

TEST_F(ExeResourcesTest, TheStringTableIsTheProgramsOwn) {
    for (const StringResource& entry : StringTable()) {
        const char16_t* text = nullptr;
        // With a length of 0 the system hands out the string in place.
        const int length = ::LoadStringW(module_, entry.id, reinterpret_cast<LPWSTR>(&text), 0);
        ASSERT_GT(length, 0) << entry.id;
        EXPECT_EQ(std::u16string(text, static_cast<std::size_t>(length)), entry.text) << entry.id;
    }
}

// Reads the fields of an extended dialog template in order.
class TemplateReader {
  public:
    explicit TemplateReader(const BYTE* data) : data_(data) {}
    WORD Word() { return Take<WORD>(); }
    DWORD Dword() { return Take<DWORD>(); }
    short Short() { return Take<short>(); }
    std::u16string String() {
        std::u16string text;
        for (char16_t c = Take<char16_t>(); c != 0; c = Take<char16_t>()) {
            text += c;
        }
        return text;
    }
    // A string or, after 0xFFFF, a number (returned as "#n").
    std::u16string StringOrOrdinal() {
        if (Peek<WORD>() == 0xFFFF) {
            Word();
            const std::string number = "#" + std::to_string(Word());
            return std::u16string(number.begin(), number.end());
        }
        return String();
    }
    void AlignDword() { offset_ = (offset_ + 3) & ~std::size_t{3}; }
    void Skip(std::size_t bytes) { offset_ += bytes; }

  private:
    template <class T>
    T Peek() {
        T value;
        std::memcpy(&value, data_ + offset_, sizeof value);
        return value;
    }
    template <class T>
    T Take() {
        const T value = Peek<T>();
        offset_ += sizeof value;
        return value;
    }
    const BYTE* data_;
    std::size_t offset_ = 0;
};

std::u16string ClassOf(DialogControlKind kind) {
    return kind == DialogControlKind::kPushButton ? u"#128" : u"#130";  // button, static
}

TEST_F(ExeResourcesTest, TheAboutBoxIsLaidOutAsTheProgramDescribesIt) {
    const DialogTemplate& about = AboutBoxTemplate();
    const BYTE* data = Resource(MAKEINTRESOURCEW(5) /* RT_DIALOG */, static_cast<WORD>(about.id));
    ASSERT_NE(data, nullptr);
    TemplateReader reader(data);
    ASSERT_EQ(reader.Word(), 1u) << "an extended template";
    ASSERT_EQ(reader.Word(), 0xFFFFu);
    reader.Dword();  // help id
    reader.Dword();  // extended style
    const DWORD style = reader.Dword();
    EXPECT_EQ(style & about.style, about.style);
    const WORD count = reader.Word();
    ASSERT_EQ(count, about.controls.size());
    EXPECT_EQ(reader.Short(), 0);
    EXPECT_EQ(reader.Short(), 0);
    EXPECT_EQ(reader.Short(), about.cx);
    EXPECT_EQ(reader.Short(), about.cy);
    EXPECT_EQ(reader.StringOrOrdinal(), u"") << "no menu";
    EXPECT_EQ(reader.StringOrOrdinal(), u"") << "the standard dialog class";
    EXPECT_EQ(reader.String(), about.caption);
    EXPECT_EQ(reader.Word(), about.point_size);
    reader.Word();   // weight
    reader.Skip(2);  // italic, character set
    EXPECT_EQ(reader.String(), about.font_name);

    for (const DialogControl& expected : about.controls) {
        reader.AlignDword();
        reader.Dword();  // help id
        reader.Dword();  // extended style
        const DWORD control_style = reader.Dword();
        EXPECT_EQ(control_style & expected.style, expected.style) << expected.id;
        EXPECT_EQ(reader.Short(), expected.x);
        EXPECT_EQ(reader.Short(), expected.y);
        EXPECT_EQ(reader.Short(), expected.cx);
        EXPECT_EQ(reader.Short(), expected.cy);
        EXPECT_EQ(static_cast<int>(reader.Dword()), expected.id);
        EXPECT_EQ(reader.StringOrOrdinal(), ClassOf(expected.kind));
        const std::u16string text = reader.StringOrOrdinal();
        if (expected.kind == DialogControlKind::kIcon) {
            const std::string number = "#" + std::to_string(expected.resource);
            EXPECT_EQ(text, std::u16string(number.begin(), number.end()));
        } else {
            EXPECT_EQ(text, expected.text);
        }
        reader.Skip(reader.Word());  // creation data
    }
}

TEST_F(ExeResourcesTest, TheApplicationIconIsThere) {
    EXPECT_NE(Resource(MAKEINTRESOURCEW(14) /* RT_GROUP_ICON */, IDR_MAINFRAME), nullptr);
}

TEST_F(ExeResourcesTest, TheVersionBlockIsTheProgramsOwn) {
    const VersionInfo& version = VersionBlock();
    DWORD size = 0;
    const BYTE* data = Resource(MAKEINTRESOURCEW(16) /* RT_VERSION */, 1, &size);
    ASSERT_NE(data, nullptr);
    // VerQueryValue wants a writable copy of the block.
    std::vector<BYTE> block(data, data + size);
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(::VerQueryValueW(block.data(), u"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(HIWORD(fixed->dwFileVersionMS), version.file_version[0]);
    EXPECT_EQ(LOWORD(fixed->dwFileVersionMS), version.file_version[1]);
    EXPECT_EQ(HIWORD(fixed->dwFileVersionLS), version.file_version[2]);
    EXPECT_EQ(LOWORD(fixed->dwFileVersionLS), version.file_version[3]);
    EXPECT_EQ(HIWORD(fixed->dwProductVersionMS), version.product_version[0]);
    EXPECT_EQ(LOWORD(fixed->dwProductVersionMS), version.product_version[1]);
    EXPECT_EQ(HIWORD(fixed->dwProductVersionLS), version.product_version[2]);
    EXPECT_EQ(LOWORD(fixed->dwProductVersionLS), version.product_version[3]);
    for (const VersionString& entry : version.strings) {
        const std::u16string query =
            std::u16string(u"\\StringFileInfo\\") + version.string_block + u"\\" + entry.name;
        char16_t* value = nullptr;
        ASSERT_TRUE(::VerQueryValueW(block.data(), query.c_str(), reinterpret_cast<void**>(&value),
                                     &length))
            << std::string(query.begin(), query.end());
        EXPECT_EQ(std::u16string(value), entry.value);
    }
}

TEST_F(ExeResourcesTest, TheManifestAsksForCommonControlsSixAndNoOldRuntime) {
    DWORD size = 0;
    const BYTE* data = Resource(MAKEINTRESOURCEW(24) /* RT_MANIFEST */, 1, &size);
    ASSERT_NE(data, nullptr);
    const std::string manifest(reinterpret_cast<const char*>(data), size);
    EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""),
              std::string::npos)
        << manifest;
    EXPECT_EQ(manifest.find("Microsoft.VC80"), std::string::npos);
}

}  // namespace
