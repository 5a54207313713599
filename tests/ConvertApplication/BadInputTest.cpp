// ConvertFolder with what a careless or hostile caller may pass: null BSTRs,
// no place for the result, embedded NULs, characters the ANSI code page lacks,
// and very long strings. None of it may crash the host or leak.
#include "ServerFixture.h"
#include "platform/fs.h"

namespace quillet::test {
namespace {

using BadInput = ServerTest;

// The process's committed private memory in bytes, region by region (Wine
// reports no private usage in the process's memory counters).
size_t PrivateBytes() {
  size_t total = 0;
  MEMORY_BASIC_INFORMATION region{};
  for (const char* address = nullptr; ::VirtualQuery(address, &region, sizeof region) == sizeof region;
       address = static_cast<const char*>(region.BaseAddress) + region.RegionSize) {
    if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) total += region.RegionSize;
    if (static_cast<const char*>(region.BaseAddress) + region.RegionSize < address) break;
  }
  return total;
}

TEST_F(BadInput, NullStringsAreReadAsEmpty) {
  // Empty source and destination mean the current folder, an empty format the
  // first one of the table ("2", *.txt).
  File("a.doc");
  const std::string cwd = os::GetCurrentDir();
  ASSERT_TRUE(os::SetCurrentDir(dir.path()));
  const ComPtr<IConvertApplication> app = Create();
  UniqueBstr result;
  const HRESULT hr = app ? app->ConvertFolder(nullptr, nullptr, nullptr, 0, nullptr, result.put()) : E_FAIL;
  os::SetCurrentDir(cwd);
  EXPECT_EQ(hr, S_OK);
  ASSERT_NE(result.get(), nullptr);
  EXPECT_EQ(result.str(), "");
  EXPECT_EQ(ReadFile(dir / "a.txt"), "Word saved " + (dir / "a.doc") + " as format 2\r\n");
}

TEST_F(BadInput, NoPlaceForTheResultIsAnInvalidPointerAndConvertsNothing) {
  File("a.doc");
  const ComPtr<IConvertApplication> app = Create();
  ASSERT_TRUE(app);
  EXPECT_EQ(app->ConvertFolder(Bstr(dir / "*.doc").get(), Bstr(dir / "out").get(), Bstr("2").get(), 0, Bstr("").get(),
                               nullptr),
            E_POINTER);
  EXPECT_EQ(d.Calls(App::Word), Lines{});
  EXPECT_FALSE(os::DirectoryExists(dir / "out"));
}

TEST_F(BadInput, EmbeddedNulsAndCharactersOutsideTheCodePageDoNotHurt) {
  File("a.doc");
  const ComPtr<IConvertApplication> app = Create();
  ASSERT_TRUE(app);
  const std::wstring folder(dir.path().begin(), dir.path().end());
  const std::wstring nul(1, L'\0');
  // Text after a NUL is invisible to the file system; each call must come
  // back with a report, whatever it says. (The destination and the format
  // stay plain: a folder that cannot be made or an unknown format raises a
  // modal message box, which nobody would answer here.)
  const std::wstring sources[] = {
      folder + L"\\*.doc" + nul + L"tail",
      folder + L"\\a.doc" + nul + L"\\*.doc",
      folder + L"\\\x6587\x6863*.doc",        // not in the ANSI code page
      folder + L"\\\xD800\xDFFF\xDC00*.doc",  // broken surrogate pairs
      nul + nul + nul,
  };
  for (const std::wstring& src : sources) {
    UniqueBstr result;
    const HRESULT hr = app->ConvertFolder(Bstr(src).get(), Bstr(folder + L"\\out").get(), Bstr(L"2").get(), 0,
                                          Bstr(nul + L"\x4E2D\xFFFF" + nul).get(), result.put());
    EXPECT_EQ(hr, S_OK);
    EXPECT_NE(result.get(), nullptr);
  }
  // The first source is the folder's documents, its tail ignored.
  EXPECT_TRUE(os::FileExists(dir / "out" + "\\a.txt"));
}

TEST_F(BadInput, HugeStringsConvertAndLeaveNoMemoryBehind) {
  File("a.doc");
  const ComPtr<IConvertApplication> app = Create();
  ASSERT_TRUE(app);
  const UniqueBstr option = Bstr(std::string(1 << 20, 'x'));
  const UniqueBstr src = Bstr(dir / "*.doc"), dest = Bstr(dir / "out"), format = Bstr("2");
  {
    UniqueBstr result;
    ASSERT_EQ(app->ConvertFolder(src.get(), dest.get(), format.get(), 0, option.get(), result.put()), S_OK);
    EXPECT_EQ(result.str(), "");
  }
  EXPECT_TRUE(os::FileExists(dir / "out" + "\\a.txt"));

  // A megabyte in each string but the format (an unknown one raises a modal
  // message box), over a folder without matches: the calls are quick and would
  // leak megabytes each if anything were kept.
  const UniqueBstr bigSrc = Bstr(dir / "nowhere" + "\\" + std::string(1 << 20, 'y') + "*.doc");
  const UniqueBstr bigDest = Bstr(dir / std::string(1 << 20, 'z'));
  auto call = [&] {
    UniqueBstr result;
    EXPECT_EQ(app->ConvertFolder(bigSrc.get(), bigDest.get(), format.get(), 0, option.get(), result.put()), S_OK);
    EXPECT_EQ(result.str(), "");
  };
  call();
  const size_t before = PrivateBytes();
  for (int i = 0; i < 30; ++i) call();
  const size_t after = PrivateBytes();
  EXPECT_LT(after, before + 16u * 1024 * 1024) << "grew from " << before << " to " << after;
}

}  // namespace
}  // namespace quillet::test
