// The stand-in's product model as the module meets it: the current editor and its active path,
// SearchObject, interface queries, the product handle and the interim-product factory.
#include "TestSupport.h"

#include "vex/Products.h"

using namespace vextest;
using ::testing::ElementsAre;

namespace {

class ProductModel : public HostTest {
 protected:
  void SetUp() override {
    HostTest::SetUp();
    Host().OpenDocument(ShipDocument());
  }
  // The active product as SearchObject finds it, with the reference it hands over.
  VexBaseUnknown* SearchActive() {
    VexPathElement path(VexFrmEditor::GetCurrentEditor()->GetActivePath());
    return path.SearchObject(VexIProduct::ClassName());
  }
  VexIStrInterimProductFactory* FactoryOf(VexBaseUnknown* object) {
    void* factory = nullptr;
    EXPECT_GE(object->QueryInterface(IID_VexIStrInterimProductFactory, &factory), 0);
    return static_cast<VexIStrInterimProductFactory*>(factory);
  }
};

}  // namespace

TEST_F(ProductModel, WithoutAnEditorThereIsNoCurrentEditor) {
  Host().RemoveEditor();
  EXPECT_EQ(VexFrmEditor::GetCurrentEditor(), nullptr);
}

TEST_F(ProductModel, SearchObjectHandsOverTheDeepestProductWithOneReference) {
  VexBaseUnknown* found = SearchActive();
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(static_cast<VexIProduct*>(found)->GetPartNumber(), "BA-200");
  EXPECT_THAT(Host().Accounting().Unbalanced, ElementsAre("vexhost::Product 'Block A' holds 3 references, expected 2"));
  found->Release();
  EXPECT_TRUE(Host().Accounting().Clean());
  Host().SetActivePath({"Hull"});
  EXPECT_EQ(static_cast<VexIProduct*>(found = SearchActive())->GetPartNumber(), "H-100");
  found->Release();
}

TEST_F(ProductModel, AFailedQueryGivesANegativeStatusAndNull) {
  VexBaseUnknown* found = SearchActive();
  void* nothing = reinterpret_cast<void*>(&found);
  EXPECT_LT(found->QueryInterface(VexIID{"VexIDrawing"}, &nothing), 0);
  EXPECT_EQ(nothing, nullptr);
  found->Release();
}

TEST_F(ProductModel, TheHandleHoldsItsOwnReferenceAndGivesItBack) {
  VexBaseUnknown* found = SearchActive();
  {
    VexIProduct_var product;
    EXPECT_NE(!product, 0);
    product = found;
    EXPECT_EQ(!product, 0);
    found->Release();
    EXPECT_EQ(product->GetPartNumber(), "BA-200") << "the handle's reference keeps it";
    product = nullptr;
    EXPECT_NE(!product, 0);
  }
  EXPECT_TRUE(Host().Accounting().Clean());
}

TEST_F(ProductModel, TheFactoryAnswersForItsProductAndCreatesChildrenOfCatalogueClasses) {
  VexBaseUnknown* found = SearchActive();
  VexIStrInterimProductFactory* factory = FactoryOf(found);
  found->Release();
  ASSERT_NE(factory, nullptr);

  VexBoolean allowed = 0;
  VexUnicodeString message;
  factory->CanCreate(allowed, message);
  EXPECT_NE(allowed, 0);
  VexUnicodeString first, second;
  factory->GetClassSettings(first, second);
  EXPECT_EQ(first, "Block");
  EXPECT_EQ(second, "InterimProduct");

  void* product = nullptr;
  ASSERT_GE(factory->QueryInterface(IID_VexIProduct, &product), 0);
  EXPECT_EQ(static_cast<VexIProduct*>(product)->GetPartNumber(), "BA-200");
  static_cast<VexIProduct*>(product)->Release();

  VexUnicodeString unknown("Hatch");
  std::intptr_t extra = 7;
  VexBaseUnknown* created = nullptr;
  EXPECT_LT(factory->CreateInterimProduct(unknown, &extra, &created), 0);
  EXPECT_EQ(created, nullptr);
  VexUnicodeString block("Block");
  ASSERT_GE(factory->CreateInterimProduct(block, &extra, &created), 0);
  ASSERT_NE(created, nullptr);
  EXPECT_EQ(ProductAt("Hull/Block A/Block 1").InterimClass, "Block");
  created->Release();
  factory->Release();
}

TEST_F(ProductModel, ARefusingFactorySaysWhyAndCreatesNothing) {
  Host().SetActivePath({"Hull", "Block B"});
  VexBaseUnknown* found = SearchActive();
  VexIStrInterimProductFactory* factory = FactoryOf(found);
  found->Release();
  VexBoolean allowed = 1;
  VexUnicodeString message;
  factory->CanCreate(allowed, message);
  EXPECT_EQ(allowed, 0);
  EXPECT_EQ(message, "Block B is released: no interim product can be added");
  VexUnicodeString block("Block");
  VexBaseUnknown* created = nullptr;
  EXPECT_LT(factory->CreateInterimProduct(block, nullptr, &created), 0);
  EXPECT_EQ(created, nullptr);
  factory->Release();
  EXPECT_EQ(ProductAt("Hull/Block B").Children.size(), 0U);
}

TEST_F(ProductModel, AReleaseTooManyIsCaughtAndTheProductIsNotFreedUnderTheDocument) {
  VexBaseUnknown* found = SearchActive();
  found->Release();
  found->Release();  // one too many: the document's and the path's references are left
  found->Release();
  found->Release();  // the document's own reference: refused, the product stays in the document
  EXPECT_THAT(Host().Accounting().OverReleases,
              ElementsAre("Release on 'Block A' (module->host): a host-owned object the module holds no reference to"));
  EXPECT_EQ(ProductAt("Hull/Block A").PartNumber, "BA-200") << "the product is still the document's";
  DiscardSession();
}
