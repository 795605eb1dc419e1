// The identifiers the plug-ins publish, typed in as hosts, registries and saved
// graphs know them: never read from the tables the libraries are built from.
#pragma once

namespace orkv::test {

struct PublishedIdentity {
  const char* library;
  const wchar_t* filterClsid;
  const wchar_t* pageClsid;
  const wchar_t* parametersIid;
};

// In the order of the plug-in table.
inline constexpr PublishedIdentity kPublishedIdentities[] = {
    {"ORKVPhaser", L"{5FA91647-9AA4-430E-868E-2412C6BB054B}",
     L"{8464FB21-3EC7-4609-97E1-FA7E12C99079}", L"{C271E867-5B4B-4C5C-9AC2-68A37CE29A99}"},
    {"ORKVChorus", L"{140C6CCA-91C5-4423-886C-6D48534115C9}",
     L"{67D96FB2-27A9-4EAB-BE49-D63856325449}", L"{8565F48A-0CEF-4B19-B814-99CA4BB6A5EF}"},
    {"ORKVFlanger", L"{AD697156-B758-4A9F-850F-FA3E1A07AAFF}",
     L"{11A54DD1-5B8F-43D5-9579-FE206EE76022}", L"{350FC84F-D4DB-4066-A3C1-FFEE3BAB9C9E}"},
    {"ORKVFilter", L"{2ADEBB59-EA9B-4DE4-B12D-4029C329FD02}",
     L"{A361BB17-2566-4E34-9C61-8BEF06F0320A}", L"{75C38556-350A-411E-AF95-A715DF3B6343}"},
    {"ORKVCDelay", L"{641BBAFD-FD85-4F1D-8700-34A7FBDFA9D5}",
     L"{F1648821-8593-493B-9A5E-86845F041D41}", L"{3A85F5F1-1682-42BD-92AA-A07CEEDB6BF7}"},
    {"ORKVTremolo", L"{5180D8B6-0B10-4898-8E54-8956AD5A5B44}",
     L"{A103A6DB-6A9B-46BD-9932-990AE96E72A5}", L"{FCC66615-FCCC-4FC6-92AF-C912B49736A0}"},
};

// The hosts' preset interface, the same in all six.
inline constexpr const wchar_t* kPublishedPresetsIid = L"{F8557656-3667-4804-A6FA-515E93B7281E}";

}  // namespace orkv::test
