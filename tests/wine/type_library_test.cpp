// The embedded type library as the platform reads it: LoadTypeLib on the
// built DLL, then every attribute the automation clients depend on.
#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "VeltaraDeskZevEvov.h"
#include "base/win/com_ref.h"
#include "base/win/unique_type_blocks.h"
#include "test_bstr.h"
#include "test_bitness.h"
#include "test_paths.h"

namespace {

struct Member {
  MEMBERID memid;
  INVOKEKIND invkind;
  int slot;
  const wchar_t* name;
  const wchar_t* parameter;  // nullptr: no named parameter
  VARTYPE parameterType;     // VT_EMPTY: no parameter
  bool byReference;
  USHORT parameterFlags;
  const wchar_t* help;
};

constexpr USHORT kOutRetval = PARAMFLAG_FOUT | PARAMFLAG_FRETVAL;
constexpr USHORT kIn = PARAMFLAG_FIN;

const Member kMembers[] = {
    {1, INVOKE_PROPERTYGET, 7, L"ContRep", L"pVal", VT_BSTR, true, kOutRetval, L"Content Repository"},
    {1, INVOKE_PROPERTYPUT, 8, L"ContRep", nullptr, VT_BSTR, false, kIn, L"Content Repository"},
    {2, INVOKE_PROPERTYGET, 9, L"DID", L"pVal", VT_BSTR, true, kOutRetval, L"SAP Document Id"},
    {2, INVOKE_PROPERTYPUT, 10, L"DID", nullptr, VT_BSTR, false, kIn, L"SAP Document Id"},
    {3, INVOKE_PROPERTYGET, 11, L"Server", L"pVal", VT_BSTR, true, kOutRetval, L"Archive Link Server"},
    {3, INVOKE_PROPERTYPUT, 12, L"Server", nullptr, VT_BSTR, false, kIn, L"Archive Link Server"},
    {4, INVOKE_PROPERTYGET, 13, L"UrlRoot", L"pVal", VT_BSTR, true, kOutRetval, L"Archive Link UrlRoot"},
    {4, INVOKE_PROPERTYPUT, 14, L"UrlRoot", nullptr, VT_BSTR, false, kIn, L"Archive Link UrlRoot"},
    {5, INVOKE_FUNC, 15, L"Show", nullptr, VT_EMPTY, false, 0, L"Show"},
    {6, INVOKE_PROPERTYGET, 16, L"ReturnCode", L"pVal", VT_I4, true, kOutRetval, L"ReturnCode"},
    {7, INVOKE_PROPERTYGET, 17, L"LastErrorText", L"pVal", VT_BSTR, true, kOutRetval, L"LastErrorText"},
    {8, INVOKE_FUNC, 18, L"ShowEx", L"sapDocId", VT_BSTR, false, 0, L"ShowEx"},
    {9, INVOKE_PROPERTYGET, 19, L"UseStartCmd", L"pVal", VT_BSTR, true, kOutRetval, L"Use workaround with Start Cmd /c"},
    {9, INVOKE_PROPERTYPUT, 20, L"UseStartCmd", nullptr, VT_BSTR, false, kIn, L"Use workaround with Start Cmd /c"},
    {10, INVOKE_FUNC, 21, L"ClearCC", nullptr, VT_EMPTY, false, 0, L"Clear custom command for opening viewer."},
    {11, INVOKE_FUNC, 22, L"AddCC", L"newVal", VT_BSTR, false, kIn, L"Add custom command for opening viewer."},
    {12, INVOKE_PROPERTYGET, 23, L"CustomCommand", L"pVal", VT_BSTR, true, kOutRetval, L"CustomCommand"},
    {13, INVOKE_PROPERTYGET, 24, L"ShowFlag", L"pVal", VT_BSTR, true, kOutRetval, L"Show Flag for starting program."},
    {13, INVOKE_PROPERTYPUT, 25, L"ShowFlag", nullptr, VT_BSTR, false, kIn, L"Show Flag for starting program."},
    {14, INVOKE_PROPERTYGET, 26, L"KeepFocusOnSap", L"pVal", VT_BSTR, true, kOutRetval, L"Keeps the focus on SAP."},
    {14, INVOKE_PROPERTYPUT, 27, L"KeepFocusOnSap", nullptr, VT_BSTR, false, kIn, L"Keeps the focus on SAP."},
    {15, INVOKE_PROPERTYGET, 28, L"FocusWaitMS", L"pVal", VT_BSTR, true, kOutRetval,
     L"Wait time before setting the focus in milliseconds."},
    {15, INVOKE_PROPERTYPUT, 29, L"FocusWaitMS", nullptr, VT_BSTR, false, kIn,
     L"Wait time before setting the focus in milliseconds."},
    {16, INVOKE_FUNC, 30, L"ClearUrlRoot", nullptr, VT_EMPTY, false, 0, L"Clear url root."},
    {17, INVOKE_FUNC, 31, L"AddUrlRoot", L"urlPart", VT_BSTR, false, kIn, L"Add part of or complete url root."},
    {18, INVOKE_FUNC, 32, L"ClearServer", nullptr, VT_EMPTY, false, 0, L"Clear server."},
    {19, INVOKE_FUNC, 33, L"AddServer", L"serverPart", VT_BSTR, false, kIn, L"Add part of or complete server."},
    {20, INVOKE_PROPERTYGET, 34, L"SendUser", L"pVal", VT_BOOL, true, kOutRetval,
     L"Send the name of the current User to the server"},
    {20, INVOKE_PROPERTYPUT, 35, L"SendUser", nullptr, VT_BOOL, false, kIn,
     L"Send the name of the current User to the server"},
};

struct Documentation {
  std::wstring name;
  std::wstring help;
};

Documentation DocumentationOf(ITypeInfo* info, MEMBERID memid) {
  UniqueBstr name, help;
  EXPECT_EQ(S_OK, info->GetDocumentation(memid, name.put(), help.put(), nullptr, nullptr));
  return Documentation{BstrText(name.get()), BstrText(help.get())};
}

class TypeLibraryTest : public testing::Test {
 protected:
  void SetUp() override {
    HRESULT hr = LoadTypeLib(testing_paths::DllPath().c_str(), library_.put());
    ASSERT_EQ(S_OK, hr) << "LoadTypeLib on " << std::string(testing_paths::DllPath().begin(), testing_paths::DllPath().end())
                        << " gave 0x" << std::hex << hr;
  }
  ComRef<ITypeLib> library_;
};

TEST_F(TypeLibraryTest, LibraryAttributes) {
  UniqueTypeLibAttributes attr(library_.get());
  ASSERT_EQ(S_OK, library_->GetLibAttr(attr.put()));
  EXPECT_TRUE(IsEqualGUID(LIBID_VeltaraDeskZevEvovLib, attr->guid));
  EXPECT_EQ(0x409u, attr->lcid);
  EXPECT_EQ(test_bitness::kSysKind, attr->syskind);
  EXPECT_EQ(1, attr->wMajorVerNum);
  EXPECT_EQ(0, attr->wMinorVerNum);

  UniqueBstr name, help;
  ASSERT_EQ(S_OK, library_->GetDocumentation(-1, name.put(), help.put(), nullptr, nullptr));
  EXPECT_EQ(L"VeltaraDeskZevEvovLib", BstrText(name.get()));
  EXPECT_EQ(L"DorvexZevEvov 1.0 Type Library", BstrText(help.get()));
}

TEST_F(TypeLibraryTest, TwoTypesCoclassThenInterface) {
  ASSERT_EQ(2u, library_->GetTypeInfoCount());
  TYPEKIND kind;
  ASSERT_EQ(S_OK, library_->GetTypeInfoType(0, &kind));
  EXPECT_EQ(TKIND_COCLASS, kind);
  ASSERT_EQ(S_OK, library_->GetTypeInfoType(1, &kind));
  EXPECT_EQ(TKIND_DISPATCH, kind) << "a dual interface reads as its dispatch description first";
}

TEST_F(TypeLibraryTest, Coclass) {
  ComRef<ITypeInfo> info;
  ASSERT_EQ(S_OK, library_->GetTypeInfo(0, info.put()));
  UniqueTypeAttributes attr(info.get());
  ASSERT_EQ(S_OK, info->GetTypeAttr(attr.put()));
  EXPECT_TRUE(IsEqualGUID(CLSID_Dorvex_ZevEvover, attr->guid));
  EXPECT_EQ(TYPEFLAG_FCANCREATE, attr->wTypeFlags);
  EXPECT_EQ(1, attr->cImplTypes);

  Documentation doc = DocumentationOf(info.get(), MEMBERID_NIL);
  EXPECT_EQ(L"Dorvex_ZevEvover", doc.name);
  EXPECT_EQ(L"Dorvex_ZevEvover Class", doc.help);

  INT flags = 0;
  ASSERT_EQ(S_OK, info->GetImplTypeFlags(0, &flags));
  EXPECT_EQ(IMPLTYPEFLAG_FDEFAULT, flags);
  HREFTYPE ref = 0;
  ASSERT_EQ(S_OK, info->GetRefTypeOfImplType(0, &ref));
  ComRef<ITypeInfo> implemented;
  ASSERT_EQ(S_OK, info->GetRefTypeInfo(ref, implemented.put()));
  EXPECT_EQ(L"IDorvex_ZevEvover", DocumentationOf(implemented.get(), MEMBERID_NIL).name);
}

TEST_F(TypeLibraryTest, InterfaceAttributes) {
  ComRef<ITypeInfo> info;
  ASSERT_EQ(S_OK, library_->GetTypeInfoOfGuid(IID_IDorvex_ZevEvover, info.put()));
  UniqueTypeAttributes attr(info.get());
  ASSERT_EQ(S_OK, info->GetTypeAttr(attr.put()));
  // The library stores one description of a dual interface; the loader derives
  // this dispatch view from it and leaves oleautomation to the interface view,
  // where TwentyNineMembersInVirtualTableOrder checks all four flags.
  EXPECT_EQ(TKIND_DISPATCH, attr->typekind);
  EXPECT_EQ(TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FDISPATCHABLE, attr->wTypeFlags);
  Documentation doc = DocumentationOf(info.get(), MEMBERID_NIL);
  EXPECT_EQ(L"IDorvex_ZevEvover", doc.name);
  EXPECT_EQ(L"IDorvex_ZevEvover Interface", doc.help);
}

TEST_F(TypeLibraryTest, TwentyNineMembersInVirtualTableOrder) {
  ComRef<ITypeInfo> dispatchInfo;
  ASSERT_EQ(S_OK, library_->GetTypeInfoOfGuid(IID_IDorvex_ZevEvover, dispatchInfo.put()));
  HREFTYPE ref = 0;
  ASSERT_EQ(S_OK, dispatchInfo->GetRefTypeOfImplType(-1, &ref));
  ComRef<ITypeInfo> info;
  ASSERT_EQ(S_OK, dispatchInfo->GetRefTypeInfo(ref, info.put()));

  UniqueTypeAttributes attr(info.get());
  ASSERT_EQ(S_OK, info->GetTypeAttr(attr.put()));
  EXPECT_EQ(TKIND_INTERFACE, attr->typekind);
  ASSERT_EQ(29, attr->cFuncs);
  EXPECT_EQ(36 * static_cast<int>(sizeof(void*)), attr->cbSizeVft);
  EXPECT_EQ(TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE,
            attr->wTypeFlags);

  ASSERT_EQ(S_OK, info->GetRefTypeOfImplType(0, &ref));
  ComRef<ITypeInfo> base;
  ASSERT_EQ(S_OK, info->GetRefTypeInfo(ref, base.put()));
  EXPECT_EQ(L"IDispatch", DocumentationOf(base.get(), MEMBERID_NIL).name);

  for (UINT i = 0; i < 29; ++i) {
    const Member& want = kMembers[i];
    SCOPED_TRACE(testing::Message() << "function " << i << " (slot " << want.slot << ")");
    UniqueFunctionDescription func(info.get());
    ASSERT_EQ(S_OK, info->GetFuncDesc(i, func.put()));
    EXPECT_EQ(want.memid, func->memid);
    EXPECT_EQ(want.invkind, func->invkind);
    EXPECT_EQ(want.slot * static_cast<int>(sizeof(void*)), func->oVft);
    EXPECT_EQ(FUNC_PUREVIRTUAL, func->funckind);
    EXPECT_EQ(CC_STDCALL, func->callconv);
    EXPECT_EQ(VT_HRESULT, func->elemdescFunc.tdesc.vt);
    const bool hasParameter = want.parameterType != VT_EMPTY;
    ASSERT_EQ(hasParameter ? 1 : 0, func->cParams);
    if (hasParameter) {
      const ELEMDESC& param = func->lprgelemdescParam[0];
      EXPECT_EQ(want.parameterFlags, param.paramdesc.wParamFlags);
      if (want.byReference) {
        ASSERT_EQ(VT_PTR, param.tdesc.vt);
        EXPECT_EQ(want.parameterType, param.tdesc.lptdesc->vt);
      } else {
        EXPECT_EQ(want.parameterType, param.tdesc.vt);
      }
    }
    BSTR names[3] = {};
    UINT count = 0;
    ASSERT_EQ(S_OK, info->GetNames(func->memid, names, 3, &count));
    const UniqueBstr name(names[0]), parameter(names[1]), third(names[2]);
    // GetNames looks members up by id; a property pair shares it, so the
    // parameter name shown is the one of the first member with that id.
    EXPECT_EQ(want.name, BstrText(name.get()));
    if (want.invkind != INVOKE_PROPERTYPUT) {
      ASSERT_EQ(want.parameter ? 2u : 1u, count);
      if (want.parameter) {
        EXPECT_EQ(want.parameter, BstrText(parameter.get()));
      }
    }
    EXPECT_EQ(want.help, DocumentationOf(info.get(), want.memid).help);
  }
}

TEST_F(TypeLibraryTest, ParameterNameIsNoMemberName) {
  ComRef<ITypeInfo> dispatchInfo;
  ASSERT_EQ(S_OK, library_->GetTypeInfoOfGuid(IID_IDorvex_ZevEvover, dispatchInfo.put()));
  // A member name lookup does not find the ShowEx parameter.
  OLECHAR name[] = L"sapDocId";
  LPOLESTR names[] = {name};
  MEMBERID id = 0;
  EXPECT_EQ(DISP_E_UNKNOWNNAME, dispatchInfo->GetIDsOfNames(names, 1, &id));
}

}  // namespace
