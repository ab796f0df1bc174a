// The module's own registration scripts, byte for byte as stored in its
// resources (101: the application id, 106: the viewer class): tabs, and CR LF
// at the end of every line.
#pragma once

namespace registrar_test {

inline constexpr const char16_t* kAppIdScript =
    u"HKCR\r\n"
    u"{\r\n"
    u"\tNoRemove AppID\r\n"
    u"\t{\r\n"
    u"\t\t'%APPID%' = s 'DorvexZevEvov'\r\n"
    u"\t\t'Vexdor.ZevEvov.DLL'\r\n"
    u"\t\t{\r\n"
    u"\t\t\tval AppID = s '%APPID%'\r\n"
    u"\t\t}\r\n"
    u"\t}\r\n"
    u"}\r\n";

inline constexpr const char16_t* kClassScript =
    u"HKCR\r\n"
    u"{\r\n"
    u"\tDorvexZevEvov.Dorvex_ZevEvover.1 = s 'Dorvex_ZevEvover Class'\r\n"
    u"\t{\r\n"
    u"\t\tCLSID = s '{5D0B7A31-6C2E-4F19-A8D4-3E71C09B2F66}'\r\n"
    u"\t}\r\n"
    u"\tDorvexZevEvov.Dorvex_ZevEvover = s 'Dorvex_ZevEvover Class'\r\n"
    u"\t{\r\n"
    u"\t\tCLSID = s '{5D0B7A31-6C2E-4F19-A8D4-3E71C09B2F66}'\r\n"
    u"\t\tCurVer = s 'DorvexZevEvov.Dorvex_ZevEvover.1'\r\n"
    u"\t}\r\n"
    u"\tNoRemove CLSID\r\n"
    u"\t{\r\n"
    u"\t\tForceRemove {5D0B7A31-6C2E-4F19-A8D4-3E71C09B2F66} = s 'Dorvex_ZevEvover Class'\r\n"
    u"\t\t{\r\n"
    u"\t\t\tProgID = s 'DorvexZevEvov.Dorvex_ZevEvover.1'\r\n"
    u"\t\t\tVersionIndependentProgID = s 'DorvexZevEvov.Dorvex_ZevEvover'\r\n"
    u"\t\t\tForceRemove 'Programmable'\r\n"
    u"\t\t\tInprocServer32 = s '%MODULE%'\r\n"
    u"\t\t\t{\r\n"
    u"\t\t\t\tval ThreadingModel = s 'Free'\r\n"
    u"\t\t\t}\r\n"
    u"\t\t\tval AppID = s '%APPID%'\r\n"
    u"\t\t\t'TypeLib' = s '{9A4C2E17-B35D-4E80-9F61-07D2C8A4E5B3}'\r\n"
    u"\t\t}\r\n"
    u"\t}\r\n"
    u"}\r\n";

}  // namespace registrar_test
