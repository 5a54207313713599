// ConvertFolder of quillet.ConvertApplication called in process, through its
// vtable and late-bound through IDispatch, against the Word double.
#include <filesystem>

#include "ServerFixture.h"
#include "TypeInfoHolders.h"
#include "platform/fs.h"

namespace quillet::test {
namespace {

using Conversion = ServerTest;

// The report of ConvertFolder through the vtable; fails the test unless S_OK.
std::string ConvertFolder(IConvertApplication* object, const std::string& src, const std::string& dest,
                          const std::string& format, LONG isSubFolder, const std::string& option) {
  UniqueBstr result;
  const HRESULT hr = object->ConvertFolder(Bstr(src).get(), Bstr(dest).get(), Bstr(format).get(), isSubFolder,
                                           Bstr(option).get(), result.put());
  EXPECT_EQ(hr, S_OK);
  EXPECT_NE(result.get(), nullptr) << "the report is a new BSTR, an empty one included";
  return result.str();
}

// Arguments of a late-bound call, in the caller's order (IDispatch takes them
// last first).
class Arguments {
 public:
  Arguments& Text(const std::string& text) {
    VARIANT v;
    ::VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = Bstr(text).release();
    values_.insert(values_.begin(), v);
    return *this;
  }
  Arguments& Boolean(bool value) {
    VARIANT v;
    ::VariantInit(&v);
    v.vt = VT_BOOL;
    v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    values_.insert(values_.begin(), v);
    return *this;
  }
  Arguments(const Arguments&) = delete;
  Arguments() = default;
  ~Arguments() {
    for (VARIANT& v : values_) ::VariantClear(&v);
  }
  DISPPARAMS* get() {
    params_ = {values_.data(), nullptr, static_cast<UINT>(values_.size()), 0};
    return &params_;
  }

 private:
  std::vector<VARIANT> values_;
  DISPPARAMS params_{};
};

DISPID IdOf(IDispatch* object, const wchar_t* name) {
  DISPID id = DISPID_UNKNOWN;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  const HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  return SUCCEEDED(hr) ? id : DISPID_UNKNOWN;
}

TEST_F(Conversion, EveryFileConvertedGivesAnEmptyReportThroughTheVtable) {
  File("a.doc");
  File("b.doc");
  File("c.rtf");
  const ComPtr<IConvertApplication> app = Create();
  ASSERT_TRUE(app);
  EXPECT_EQ(ConvertFolder(app.get(), dir / "*.doc", dir / "out", "2", 0, ""), "");
  // COM loaded the library for the object (and frees it when the test ends).
  EXPECT_TRUE(LibraryLoaded());
  EXPECT_EQ(ReadFile(dir / "out" + "\\a.txt"), "Word saved " + (dir / "a.doc") + " as format 2\r\n");
  EXPECT_TRUE(os::FileExists(dir / "out" + "\\b.txt"));
  EXPECT_FALSE(os::FileExists(dir / "out" + "\\c.txt"));
  // Unlike the plain ConvertFolder export, the method writes no report file.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "out"), std::filesystem::directory_iterator()), 2);
}

TEST_F(Conversion, TheFilesThatFailedAreTheLinesOfTheReport) {
  for (const char* name : {"a.doc", "b.doc", "c.doc"}) File(name);
  d.Script(App::Word,
           "Fail=Word.Document(a.doc).SaveAs|Disk a is full.\n"
           "Fail=Word.Document(c.doc).SaveAs|The document c could not be saved.\n");
  const ComPtr<IConvertApplication> app = Create();
  ASSERT_TRUE(app);
  const Lines lines = ReportLines(ConvertFolder(app.get(), dir.path() + "\\", "Same File Path", "", 0, ""));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_TRUE(IsTimeStamped(lines[0], "        can not convert " + (dir / "a.doc") + " to " + (dir / "a.txt") +
                                          ", Error Reason is Disk a is full."))
      << lines[0];
  EXPECT_TRUE(IsTimeStamped(lines[1], "        can not convert " + (dir / "c.doc") + " to " + (dir / "c.txt") +
                                          ", Error Reason is The document c could not be saved."))
      << lines[1];
  EXPECT_EQ(ReadFile(dir / "b.txt"), "Word saved " + (dir / "b.doc") + " as format 2\r\n");
}

TEST_F(Conversion, EveryInstanceIsNewAndAllShareTheOneConverter) {
  File("a.doc");
  const ComPtr<IConvertApplication> first = Create(), second = Create();
  ASSERT_TRUE(first && second);
  EXPECT_NE(first.get(), second.get());
  EXPECT_EQ(ConvertFolder(first.get(), dir / "a.doc", dir / "one", "2", 0, ""), "");
  EXPECT_EQ(ConvertFolder(second.get(), dir / "a.doc", dir / "two", "7", 0, ""), "");
  EXPECT_TRUE(os::FileExists(dir / "one" + "\\a.txt"));
  EXPECT_TRUE(os::FileExists(dir / "two" + "\\a.txt"));
  // One Word for both objects, asked once for its formats.
  Lines made;
  for (const std::string& line : d.Events(App::Word))
    if (line == "new Word") made.push_back(line);
  EXPECT_EQ(made.size(), 1u);
  EXPECT_EQ(WordCallsWith("Word.FileConverters.Count").size(), 1u);
}

TEST_F(Conversion, AFolderThatDoesNotExistIsAnEmptyReport) {
  const ComPtr<IConvertApplication> app = Create();
  ASSERT_TRUE(app);
  EXPECT_EQ(ConvertFolder(app.get(), dir / "nowhere" + "\\*.doc", dir / "out", "2", 0, ""), "");
  EXPECT_EQ(WordCallsWith("Documents"), Lines{});
}

TEST_F(Conversion, TablesThatCannotBeBuiltAreTheReportOfASuccessfulCall) {
  File("a.doc");
  d.Unregister("Word.Application");
  const ComPtr<IConvertApplication> app = Create();
  ASSERT_TRUE(app);
  EXPECT_EQ(ConvertFolder(app.get(), dir / "*.doc", dir / "out", "2", 0, ""),
            "Can not load Microsoft Word, you must install Microsoft Word first, please try again!");
}

// Word fails while the formats are read: the run cannot start, and that is an
// error of the call rather than a report.
TEST_F(Conversion, ARunThatCannotGoOnFailsWithItsMessageAsTheErrorDescription) {
  File("a.doc");
  d.Script(App::Word, "Fail=Word.FileConverters|The converters cannot be listed.\n");
  const ComPtr<IConvertApplication> app = Create();
  ASSERT_TRUE(app);
  UniqueBstr sentinel = Bstr(std::string("left alone?"));
  BSTR result = sentinel.get();
  const HRESULT hr = app->ConvertFolder(Bstr(dir / "*.doc").get(), Bstr(dir / "out").get(), Bstr("2").get(), 0,
                                        Bstr("").get(), &result);
  EXPECT_EQ(hr, E_FAIL);
  EXPECT_EQ(result, nullptr);

  const ComPtr<ISupportErrorInfo> support = app.try_query<ISupportErrorInfo>();
  ASSERT_TRUE(support);
  EXPECT_EQ(support->InterfaceSupportsErrorInfo(__uuidof(IConvertApplication)), S_OK);
  EXPECT_EQ(support->InterfaceSupportsErrorInfo(__uuidof(IDispatch)), S_FALSE);
  ComPtr<IErrorInfo> info;
  ASSERT_EQ(::GetErrorInfo(0, info.put()), S_OK);
  UniqueBstr description, source;
  GUID guid{};
  info->GetDescription(description.put());
  info->GetSource(source.put());
  info->GetGUID(&guid);
  EXPECT_EQ(description.str(), "The converters cannot be listed.");
  EXPECT_EQ(source.str(), "quillet.ConvertApplication");
  EXPECT_EQ(guid, __uuidof(IConvertApplication));
  EXPECT_EQ(WordCallsWith("Documents"), Lines{});
}

TEST_F(Conversion, NamesResolveToTheirDispatchIdentifiers) {
  const ComPtr<IConvertApplication> app = Create();
  ASSERT_TRUE(app);
  EXPECT_EQ(IdOf(app.get(), L"OnStartPage"), 1);
  EXPECT_EQ(IdOf(app.get(), L"OnEndPage"), 2);
  EXPECT_EQ(IdOf(app.get(), L"ConvertFolder"), 3);
  // Scripts are not particular about case.
  EXPECT_EQ(IdOf(app.get(), L"convertfolder"), 3);

  DISPID id = 0;
  LPOLESTR unknown[] = {const_cast<LPOLESTR>(L"ConvertFile")};
  EXPECT_EQ(app->GetIDsOfNames(IID_NULL, unknown, 1, LOCALE_USER_DEFAULT, &id), DISP_E_UNKNOWNNAME);
  LPOLESTR known[] = {const_cast<LPOLESTR>(L"ConvertFolder")};
  EXPECT_EQ(app->GetIDsOfNames(__uuidof(IDispatch), known, 1, LOCALE_USER_DEFAULT, &id), DISP_E_UNKNOWNINTERFACE);

  UINT count = 0;
  EXPECT_EQ(app->GetTypeInfoCount(&count), S_OK);
  EXPECT_EQ(count, 1u);
  ComPtr<ITypeInfo> info;
  ASSERT_EQ(app->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.put()), S_OK);
  const TypeAttr attr(info.get());
  ASSERT_TRUE(attr);
  EXPECT_EQ(attr->guid, __uuidof(IConvertApplication));
  ComPtr<ITypeInfo> none;
  EXPECT_EQ(app->GetTypeInfo(1, LOCALE_USER_DEFAULT, none.put()), DISP_E_BADINDEX);
}

TEST_F(Conversion, LateBoundCallsConvertAndReportAsTheVtableDoes) {
  std::filesystem::create_directories(dir / "sub");
  File("a.doc");
  File("sub\\deep.doc");
  d.Script(App::Word, "Fail=Word.Document(a.doc).SaveAs|Disk a is full.\n");
  const ComPtr<IConvertApplication> app = Create();
  ASSERT_TRUE(app);
  const DISPID convertFolder = IdOf(app.get(), L"ConvertFolder");

  // A script's True for iIsSubFolder arrives as VT_BOOL and becomes -1.
  Arguments args;
  args.Text(dir / "*.doc").Text(dir / "out").Text("2").Boolean(true).Text("");
  com::UniqueVariant result;
  EXCEPINFO exception{};
  UINT argError = 0;
  ASSERT_EQ(app->Invoke(convertFolder, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, args.get(), result.put(),
                        &exception, &argError),
            S_OK);
  ASSERT_EQ((*result).vt, VT_BSTR);
  const Lines lines = ReportLines(com::FromBstr((*result).bstrVal));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_TRUE(IsTimeStamped(lines[0], "        can not convert " + (dir / "a.doc") + " to " + (dir / "out") +
                                          "\\a.txt, Error Reason is Disk a is full."))
      << lines[0];
  EXPECT_TRUE(os::FileExists(dir / "out" + "\\deep.txt"));

  Arguments tooFew;
  tooFew.Text(dir / "*.doc");
  EXPECT_EQ(app->Invoke(convertFolder, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, tooFew.get(), result.put(),
                        &exception, &argError),
            DISP_E_BADPARAMCOUNT);
}

TEST_F(Conversion, ALateBoundRunThatCannotGoOnIsAnExceptionWithTheMessage) {
  d.Script(App::Word, "Fail=Word.FileConverters|The converters cannot be listed.\n");
  const ComPtr<IConvertApplication> app = Create();
  ASSERT_TRUE(app);
  Arguments args;
  args.Text(dir / "*.doc").Text(dir / "out").Text("2").Boolean(false).Text("");
  com::UniqueVariant result;
  com::ExcepInfo exception;
  UINT argError = 0;
  EXPECT_EQ(app->Invoke(IdOf(app.get(), L"ConvertFolder"), IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, args.get(),
                        result.put(), exception.get(), &argError),
            DISP_E_EXCEPTION);
  exception.Fill();
  EXPECT_EQ(com::FromBstr((*exception).bstrDescription), "The converters cannot be listed.");
  EXPECT_EQ((*exception).scode, E_FAIL);
  // No report comes back. (Wine's dispatcher copies the null BSTR it got
  // into an empty one; the vtable call shows that the method leaves it null.)
  EXPECT_TRUE((*result).vt == VT_EMPTY || ((*result).vt == VT_BSTR && ::SysStringLen((*result).bstrVal) == 0));
}

}  // namespace
}  // namespace quillet::test
