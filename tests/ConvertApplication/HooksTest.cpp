// The page hooks OnStartPage and OnEndPage with scripting contexts of the
// test's own, whose reference counts tell what the object holds.
#include <list>

#include "ServerFixture.h"

namespace quillet::test {
namespace {

const IID kIScriptingContext = {0xD97A6DA0, 0xA868, 0x11CF, {0x83, 0xAE, 0x00, 0xB0, 0xC9, 0x0C, 0x2B, 0xD8}};

// A page's context as far as the hooks see it: IUnknown and, if asked to,
// IScriptingContext. References() is what others hold.
class FakeContext final : public IUnknown {
 public:
  explicit FakeContext(bool scripting) : scripting_(scripting) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (iid == __uuidof(IUnknown) || (scripting_ && iid == kIScriptingContext)) {
      *object = this;
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override { return --references_; }
  ULONG References() const { return references_; }

 private:
  const bool scripting_;
  ULONG references_ = 0;
};

// The contexts belong to the fixture, so that an object a failed test leaves
// behind still finds them when the fixture releases it.
class PageHooks : public ServerTest {
 protected:
  FakeContext& Context(bool scripting) { return contexts.emplace_back(scripting); }
  std::list<FakeContext> contexts;
};

TEST_F(PageHooks, TheContextIsKeptFromStartToEndOfThePage) {
  FakeContext& page = Context(true);
  const ComPtr<IConvertApplication> app = Create();
  ASSERT_TRUE(app);
  EXPECT_EQ(app->OnStartPage(&page), S_OK);
  EXPECT_EQ(page.References(), 1u);
  EXPECT_EQ(app->OnEndPage(), S_OK);
  EXPECT_EQ(page.References(), 0u);
  // A second end, or an end without a start, has nothing to let go.
  EXPECT_EQ(app->OnEndPage(), S_OK);
}

TEST_F(PageHooks, AnObjectThatIsNoScriptingContextFailsAndLeavesTheContextAsItWas) {
  FakeContext& page = Context(true);
  FakeContext& other = Context(false);
  const ComPtr<IConvertApplication> app = Create();
  ASSERT_TRUE(app);
  ASSERT_EQ(app->OnStartPage(&page), S_OK);
  EXPECT_EQ(app->OnStartPage(&other), E_NOINTERFACE);
  EXPECT_EQ(other.References(), 0u);
  EXPECT_EQ(page.References(), 1u) << "the context of the page must still be held";
  // What a script would see as Err.Description.
  ComPtr<IErrorInfo> info;
  ASSERT_EQ(::GetErrorInfo(0, info.put()), S_OK);
  UniqueBstr description;
  info->GetDescription(description.put());
  EXPECT_FALSE(description.str().empty());

  EXPECT_EQ(app->OnStartPage(nullptr), E_POINTER);
  EXPECT_EQ(page.References(), 1u);
  // The end releases the context of the page, the one still held.
  EXPECT_EQ(app->OnEndPage(), S_OK);
  EXPECT_EQ(page.References(), 0u);
}

TEST_F(PageHooks, ANewPageReplacesTheContextAndTheLastReleaseLetsItGo) {
  FakeContext& first = Context(true);
  FakeContext& second = Context(true);
  ComPtr<IConvertApplication> app = Create();
  ASSERT_TRUE(app);
  ASSERT_EQ(app->OnStartPage(&first), S_OK);
  ASSERT_EQ(app->OnStartPage(&second), S_OK);
  EXPECT_EQ(first.References(), 0u);
  EXPECT_EQ(second.References(), 1u);
  // An object that goes while a page is active releases its context.
  app.reset();
  objects.clear();
  EXPECT_EQ(second.References(), 0u);
}

TEST_F(PageHooks, TheHooksAreReachedLateBoundToo) {
  FakeContext& page = Context(true);
  const ComPtr<IConvertApplication> app = Create();
  ASSERT_TRUE(app);
  com::UniqueVariant argument;
  (*argument).vt = VT_UNKNOWN;
  (*argument).punkVal = &page;
  page.AddRef();  // the VARIANT's own reference, released when it is cleared
  DISPPARAMS one{argument.get(), nullptr, 1, 0};
  com::UniqueVariant result;
  EXPECT_EQ(app->Invoke(1, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &one, result.put(), nullptr, nullptr), S_OK);
  EXPECT_EQ(page.References(), 2u);
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  EXPECT_EQ(app->Invoke(2, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, result.put(), nullptr, nullptr),
            S_OK);
  EXPECT_EQ(page.References(), 1u);
}

}  // namespace
}  // namespace quillet::test
