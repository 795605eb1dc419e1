// Orvelt KV effects: the interfaces and identifiers a host needs to drive the
// six plug-ins (ORKVPhaser, ORKVChorus, ORKVFlanger, ORKVFilter, ORKVCDelay,
// ORKVTremolo). This header ships with the plug-ins.
//
// Every plug-in's filter answers:
//   - IEffectPresets (one identifier for all six): list and apply factory presets;
//   - its own parameter interface, IEffectParameters4/7/8 by slot count, under
//     the plug-in's own interface identifier: read and write single settings or
//     the whole ParameterBlock (one double per slot);
//   - IPersistStream: a settings record of 20 + 8 x slots bytes.
// Each library also serves the effect as a DirectX Media Object (IMediaObject,
// CLSID_ORKV<name>DMO) answering the same three interfaces and sharing the
// settings record with the filter.
#ifndef ORKV_EFFECTS_H
#define ORKV_EFFECTS_H

#include <windows.h>

#include <mmreg.h>
#include <unknwn.h>

// Factory presets. GetPresetName writes a zero-terminated wide name into a
// buffer of `capacity` wide characters, truncated when the buffer is short.
struct IEffectPresets : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetPresetCount(LONG* count) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetPresetName(LONG index, WCHAR* name, LONG capacity) = 0;
  virtual HRESULT STDMETHODCALLTYPE ApplyPreset(LONG index) = 0;
};

// The methods every plug-in's parameter interface starts with. A block is the
// plug-in's slot count of doubles. Setters clamp to the slot's range (a value
// that is not a number becomes the lower bound) and always succeed.
// GetPinFormat: pin 0 input, 1 output; VFW_E_NOT_CONNECTED until connected.
// SetNotifyWindow: the window is posted WM_COMMAND(MAKEWPARAM(identifier, event))
// with event 0 (input format set), 1 (output format set) or 100 (settings
// loaded); identifier 0 removes the window. At most two windows at a time.
struct IEffectParameters : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetParameters(double* block) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetParameters(const double* block) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetPinFormat(LONG pin, WAVEFORMATEX* format) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetNotifyWindow(HWND window, LONG identifier) = 0;
};

// Tremolo: slots 0 to 3.
struct IEffectParameters4 : public IEffectParameters {
  virtual HRESULT STDMETHODCALLTYPE GetParam0(double* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetParam0(double value) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetParam1(double* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetParam1(double value) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetParam2(double* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetParam2(double value) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetParam3(double* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetParam3(double value) = 0;
};

// Filter and C-Delay: slots 0 to 6.
struct IEffectParameters7 : public IEffectParameters4 {
  virtual HRESULT STDMETHODCALLTYPE GetParam4(double* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetParam4(double value) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetParam5(double* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetParam5(double value) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetParam6(double* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetParam6(double value) = 0;
};

// Phaser, Chorus and Flanger: slots 0 to 7.
struct IEffectParameters8 : public IEffectParameters7 {
  virtual HRESULT STDMETHODCALLTYPE GetParam7(double* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetParam7(double value) = 0;
};

typedef IEffectParameters8 IPhaserParameters;
typedef IEffectParameters8 IChorusParameters;
typedef IEffectParameters8 IFlangerParameters;
typedef IEffectParameters7 IFilterParameters;
typedef IEffectParameters7 ICDelayParameters;
typedef IEffectParameters4 ITremoloParameters;

// {F8557656-3667-4804-A6FA-515E93B7281E}
inline constexpr GUID IID_IEffectPresets = {
    0xF8557656, 0x3667, 0x4804, {0xA6, 0xFA, 0x51, 0x5E, 0x93, 0xB7, 0x28, 0x1E}};

inline constexpr GUID CLSID_ORKVPhaser = {
    0x5FA91647, 0x9AA4, 0x430E, {0x86, 0x8E, 0x24, 0x12, 0xC6, 0xBB, 0x05, 0x4B}};
inline constexpr GUID CLSID_ORKVPhaserPage = {
    0x8464FB21, 0x3EC7, 0x4609, {0x97, 0xE1, 0xFA, 0x7E, 0x12, 0xC9, 0x90, 0x79}};
inline constexpr GUID IID_IPhaserParameters = {
    0xC271E867, 0x5B4B, 0x4C5C, {0x9A, 0xC2, 0x68, 0xA3, 0x7C, 0xE2, 0x9A, 0x99}};

inline constexpr GUID CLSID_ORKVChorus = {
    0x140C6CCA, 0x91C5, 0x4423, {0x88, 0x6C, 0x6D, 0x48, 0x53, 0x41, 0x15, 0xC9}};
inline constexpr GUID CLSID_ORKVChorusPage = {
    0x67D96FB2, 0x27A9, 0x4EAB, {0xBE, 0x49, 0xD6, 0x38, 0x56, 0x32, 0x54, 0x49}};
inline constexpr GUID IID_IChorusParameters = {
    0x8565F48A, 0x0CEF, 0x4B19, {0xB8, 0x14, 0x99, 0xCA, 0x4B, 0xB6, 0xA5, 0xEF}};

inline constexpr GUID CLSID_ORKVFlanger = {
    0xAD697156, 0xB758, 0x4A9F, {0x85, 0x0F, 0xFA, 0x3E, 0x1A, 0x07, 0xAA, 0xFF}};
inline constexpr GUID CLSID_ORKVFlangerPage = {
    0x11A54DD1, 0x5B8F, 0x43D5, {0x95, 0x79, 0xFE, 0x20, 0x6E, 0xE7, 0x60, 0x22}};
inline constexpr GUID IID_IFlangerParameters = {
    0x350FC84F, 0xD4DB, 0x4066, {0xA3, 0xC1, 0xFF, 0xEE, 0x3B, 0xAB, 0x9C, 0x9E}};

inline constexpr GUID CLSID_ORKVFilter = {
    0x2ADEBB59, 0xEA9B, 0x4DE4, {0xB1, 0x2D, 0x40, 0x29, 0xC3, 0x29, 0xFD, 0x02}};
inline constexpr GUID CLSID_ORKVFilterPage = {
    0xA361BB17, 0x2566, 0x4E34, {0x9C, 0x61, 0x8B, 0xEF, 0x06, 0xF0, 0x32, 0x0A}};
inline constexpr GUID IID_IFilterParameters = {
    0x75C38556, 0x350A, 0x411E, {0xAF, 0x95, 0xA7, 0x15, 0xDF, 0x3B, 0x63, 0x43}};

inline constexpr GUID CLSID_ORKVCDelay = {
    0x641BBAFD, 0xFD85, 0x4F1D, {0x87, 0x00, 0x34, 0xA7, 0xFB, 0xDF, 0xA9, 0xD5}};
inline constexpr GUID CLSID_ORKVCDelayPage = {
    0xF1648821, 0x8593, 0x493B, {0x9A, 0x5E, 0x86, 0x84, 0x5F, 0x04, 0x1D, 0x41}};
inline constexpr GUID IID_ICDelayParameters = {
    0x3A85F5F1, 0x1682, 0x42BD, {0x92, 0xAA, 0xA0, 0x7C, 0xEE, 0xDB, 0x6B, 0xF7}};

inline constexpr GUID CLSID_ORKVTremolo = {
    0x5180D8B6, 0x0B10, 0x4898, {0x8E, 0x54, 0x89, 0x56, 0xAD, 0x5A, 0x5B, 0x44}};
inline constexpr GUID CLSID_ORKVTremoloPage = {
    0xA103A6DB, 0x6A9B, 0x46BD, {0x99, 0x32, 0x99, 0x0A, 0xE9, 0x6E, 0x72, 0xA5}};
inline constexpr GUID IID_ITremoloParameters = {
    0xFCC66615, 0xFCCC, 0x4FC6, {0x92, 0xAF, 0xC9, 0x12, 0xB4, 0x97, 0x36, 0xA0}};

// Each plug-in's DirectX Media Object (IMediaObject) over the same engine:
// for DMO hosts and the platform's DMO Wrapper filter.
inline constexpr GUID CLSID_ORKVPhaserDMO = {
    0xE67AE900, 0x7C67, 0x483B, {0x92, 0x50, 0x6E, 0xA1, 0x76, 0xFB, 0x27, 0xD5}};
inline constexpr GUID CLSID_ORKVChorusDMO = {
    0x43E4A45D, 0xCFA8, 0x4D95, {0x90, 0xE5, 0x71, 0xE5, 0x58, 0xBE, 0x72, 0xD9}};
inline constexpr GUID CLSID_ORKVFlangerDMO = {
    0xACDADA69, 0xA05D, 0x4F75, {0x9B, 0x03, 0xE8, 0x41, 0x6E, 0xEF, 0xAD, 0xDB}};
inline constexpr GUID CLSID_ORKVFilterDMO = {
    0xB2313459, 0x5489, 0x48DE, {0xB1, 0xCC, 0xCD, 0x12, 0x8C, 0x2C, 0x8E, 0xE3}};
inline constexpr GUID CLSID_ORKVCDelayDMO = {
    0x596FAA08, 0x410B, 0x47FA, {0xA0, 0xFC, 0x5C, 0x1B, 0xED, 0xB5, 0x46, 0x68}};
inline constexpr GUID CLSID_ORKVTremoloDMO = {
    0x4CCF0D96, 0xA305, 0x4074, {0x89, 0xEC, 0xBC, 0x99, 0x8A, 0x61, 0xB8, 0x5A}};

// What a host needs to find and drive each plug-in.
struct OrkvPluginInfo {
  const char* effect;   // "Phaser", "Chorus", "Flanger", "Filter", "C-Delay", "Tremolo"
  const char* library;  // file name without ".dll"
  const wchar_t* filterName;
  const wchar_t* pageName;
  const GUID* filterClsid;
  const GUID* pageClsid;
  const GUID* parametersIid;
  int slotCount;
  unsigned recordSize;   // bytes IPersistStream writes
  const GUID* dmoClsid;  // the effect as a DirectX Media Object
};

inline constexpr OrkvPluginInfo kOrkvPlugins[] = {
    {"Phaser", "ORKVPhaser", L"Orvelt KV Phaser", L"Orvelt KV Phaser Property Page",
     &CLSID_ORKVPhaser, &CLSID_ORKVPhaserPage, &IID_IPhaserParameters, 8, 84, &CLSID_ORKVPhaserDMO},
    {"Chorus", "ORKVChorus", L"Orvelt KV Chorus", L"Orvelt KV Chorus Property Page",
     &CLSID_ORKVChorus, &CLSID_ORKVChorusPage, &IID_IChorusParameters, 8, 84, &CLSID_ORKVChorusDMO},
    {"Flanger", "ORKVFlanger", L"Orvelt KV Flanger", L"Orvelt KV Flanger Property Page",
     &CLSID_ORKVFlanger, &CLSID_ORKVFlangerPage, &IID_IFlangerParameters, 8, 84,
     &CLSID_ORKVFlangerDMO},
    {"Filter", "ORKVFilter", L"Orvelt KV Filter", L"Orvelt KV Filter Property Page",
     &CLSID_ORKVFilter, &CLSID_ORKVFilterPage, &IID_IFilterParameters, 7, 76, &CLSID_ORKVFilterDMO},
    {"C-Delay", "ORKVCDelay", L"Orvelt KV C-Delay", L"Orvelt KV C-Delay Property Page",
     &CLSID_ORKVCDelay, &CLSID_ORKVCDelayPage, &IID_ICDelayParameters, 7, 76, &CLSID_ORKVCDelayDMO},
    {"Tremolo", "ORKVTremolo", L"Orvelt KV Tremolo", L"Orvelt KV Tremolo Property Page",
     &CLSID_ORKVTremolo, &CLSID_ORKVTremoloPage, &IID_ITremoloParameters, 4, 52,
     &CLSID_ORKVTremoloDMO},
};

#endif  // ORKV_EFFECTS_H
