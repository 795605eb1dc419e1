#include "tools/common/effect_controls.h"

#include <shlwapi.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <utility>

#include "core/settings_record.h"
#include "core/slot_access.h"
#include "tools/common/plugin_module.h"
#include "tools/common/settings_file.h"
#include "tools/common/wide_text.h"

namespace orkv::render {
namespace {

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

std::optional<std::size_t> ParseIndex(const std::string& text) {
  if (text.empty() || text.size() > 6) return std::nullopt;
  if (!std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); })) {
    return std::nullopt;
  }
  return static_cast<std::size_t>(std::stoul(text));
}

HRESULT OpenFileStream(const std::string& path, bool forWriting, host::ComPtr<IStream>& stream) {
  const DWORD mode = forWriting ? (STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE)
                                : (STGM_READ | STGM_SHARE_DENY_WRITE);
  return SHCreateStreamOnFileEx(Widen(path).c_str(), mode, FILE_ATTRIBUTE_NORMAL,
                                forWriting ? TRUE : FALSE, nullptr, stream.GetAddressOf());
}

// The plug-in whose settings record `header` starts, by the record size and
// parameter-interface identifier every record begins with; null if none.
const OrkvPluginInfo* RecordOwner(const RecordHeader& header) {
  for (const OrkvPluginInfo& info : kOrkvPlugins) {
    Guid id;
    static_assert(sizeof(Guid) == sizeof(GUID));
    std::memcpy(&id, info.parametersIid, sizeof id);
    const auto idBytes = record_detail::GuidBytes(id);
    if (record_detail::GetLittleEndian(&header[0], 4) == info.recordSize &&
        std::memcmp(&header[4], idBytes.data(), idBytes.size()) == 0) {
      return &info;
    }
  }
  return nullptr;
}

// Why the filter refused the settings file at `path`, in words: the file of
// another plug-in, or no settings file at all.
std::string WhyNotSettings(const std::string& path, const OrkvPluginInfo& plugin, HRESULT hr) {
  const std::string subject = "'" + path + "' holds no " + plugin.effect + " settings: ";
  std::ifstream file(path, std::ios::binary | std::ios::ate);
  if (!file) return subject + DescribeHresult(hr);
  const auto size = static_cast<long long>(file.tellg());
  RecordHeader header{};
  file.seekg(0);
  file.read(reinterpret_cast<char*>(header.data()), header.size());
  const OrkvPluginInfo* owner = file ? RecordOwner(header) : nullptr;
  if (owner != nullptr && owner != &plugin) {
    return subject + "it is a settings file of the " + owner->effect + " (" + owner->library + ")";
  }
  return subject + "it is no Orvelt KV settings file, or a damaged one (it has " +
         std::to_string(size) + " bytes; a " + plugin.effect + " settings file has " +
         std::to_string(plugin.recordSize) + ", starting with its size and identifier)";
}

}  // namespace

std::optional<EffectControls> EffectControls::Attach(IBaseFilter* filter,
                                                     const OrkvPluginInfo& plugin,
                                                     std::string& error) {
  host::ComPtr<IEffectParameters> parameters;
  HRESULT hr = filter->QueryInterface(*plugin.parametersIid, parameters.GetVoidAddressOf());
  if (FAILED(hr)) {
    error = "the filter has no parameter interface: " + DescribeHresult(hr);
    return std::nullopt;
  }
  host::ComPtr<IEffectPresets> presets;
  filter->QueryInterface(IID_IEffectPresets, presets.GetVoidAddressOf());
  host::ComPtr<IPersistStream> persist;
  filter->QueryInterface(IID_IPersistStream, persist.GetVoidAddressOf());
  return EffectControls(plugin, std::move(parameters), std::move(presets), std::move(persist));
}

EffectControls::EffectControls(const OrkvPluginInfo& plugin,
                               host::ComPtr<IEffectParameters> parameters,
                               host::ComPtr<IEffectPresets> presets,
                               host::ComPtr<IPersistStream> persist)
    : plugin_(&plugin),
      table_(TableFor(plugin)),
      parameters_(std::move(parameters)),
      presets_(std::move(presets)),
      persist_(std::move(persist)) {}

HRESULT EffectControls::GetSlot(std::size_t slot, double& value) const {
  return orkv::GetSlot(parameters_.Get(), static_cast<std::size_t>(plugin_->slotCount), slot,
                       value);
}

HRESULT EffectControls::SetSlot(std::size_t slot, double value) const {
  return orkv::SetSlot(parameters_.Get(), static_cast<std::size_t>(plugin_->slotCount), slot,
                       value);
}

// A slot by its label (any case) or by its index.
std::optional<std::size_t> EffectControls::SlotOfLabel(const std::string& label) const {
  if (const auto index = ParseIndex(label)) {
    if (*index < static_cast<std::size_t>(plugin_->slotCount)) return index;
    return std::nullopt;
  }
  for (std::size_t i = 0; i < table_.slots.size(); ++i) {
    if (Lower(LabelOf(table_, i)) == Lower(label)) return i;
  }
  return std::nullopt;
}

bool EffectControls::SetByLabel(const std::vector<SettingAssignment>& assignments,
                                std::string& error) {
  bool depthSet = false;
  bool deviationSet = false;
  for (const SettingAssignment& a : assignments) {
    const auto slot = SlotOfLabel(a.label);
    if (!slot) {
      error = "unknown setting '" + a.label + "' for " + plugin_->effect + " (see --list)";
      return false;
    }
    const HRESULT hr = SetSlot(*slot, a.value);
    if (FAILED(hr)) {
      error = "setting " + a.label + " failed: " + DescribeHresult(hr);
      return false;
    }
    if (table_.depth) {
      depthSet |= *slot == table_.depth->percent;
      deviationSet |= *slot == table_.depth->deviation;
    }
  }
  // An explicit deviation wins over the one derived from Depth.
  return !depthSet || deviationSet || SetDerivedDeviation(error);
}

bool EffectControls::SetDerivedDeviation(std::string& error) const {
  double percent = 0;
  double base = 0;
  HRESULT hr = GetSlot(table_.depth->percent, percent);
  if (SUCCEEDED(hr)) hr = GetSlot(table_.depth->base, base);
  if (SUCCEEDED(hr)) hr = SetSlot(table_.depth->deviation, DeviationFromDepth(percent, base));
  if (FAILED(hr)) error = "updating the deviation from Depth failed: " + DescribeHresult(hr);
  return SUCCEEDED(hr);
}

std::vector<std::string> EffectControls::PresetNames() const {
  std::vector<std::string> names;
  LONG count = 0;
  if (!presets_ || FAILED(presets_->GetPresetCount(&count))) return names;
  for (LONG i = 0; i < count && i < 1000; ++i) {
    WCHAR name[80] = {};
    if (FAILED(presets_->GetPresetName(i, name, 80))) name[0] = L'\0';
    name[79] = L'\0';
    names.push_back(Narrow(name));
  }
  return names;
}

bool EffectControls::ApplyPreset(const std::string& indexOrName, std::string& error) {
  if (!presets_) {
    error = std::string("the ") + plugin_->effect + " filter offers no presets";
    return false;
  }
  const std::vector<std::string> names = PresetNames();
  std::optional<std::size_t> index = ParseIndex(indexOrName);
  for (std::size_t i = 0; !index && i < names.size(); ++i) {
    if (Lower(names[i]) == Lower(indexOrName)) index = i;
  }
  if (!index || *index >= names.size()) {
    error = "unknown preset '" + indexOrName + "' (see --list-presets)";
    return false;
  }
  const HRESULT hr = presets_->ApplyPreset(static_cast<LONG>(*index));
  if (FAILED(hr)) error = "applying preset '" + indexOrName + "' failed: " + DescribeHresult(hr);
  return SUCCEEDED(hr);
}

bool EffectControls::LoadSettings(const std::string& path, std::string& error) {
  if (!persist_) {
    error = std::string("the ") + plugin_->effect + " filter cannot load settings";
    return false;
  }
  host::ComPtr<IStream> stream;
  HRESULT hr = OpenFileStream(path, false, stream);
  if (FAILED(hr)) {
    error = "cannot open settings file '" + path + "': " + DescribeHresult(hr);
    return false;
  }
  hr = persist_->Load(stream.Get());
  if (FAILED(hr)) error = WhyNotSettings(path, *plugin_, hr);
  return SUCCEEDED(hr);
}

bool EffectControls::SaveSettings(const std::string& path, std::string& error) {
  const auto write = [this](const std::string& newFile, std::string& message) {
    return WriteSettings(newFile, message);
  };
  return SaveReplacing(path, write, error);
}

bool EffectControls::WriteSettings(const std::string& path, std::string& error) {
  if (!persist_) {
    error = std::string("the ") + plugin_->effect + " filter cannot save settings";
    return false;
  }
  host::ComPtr<IStream> stream;
  HRESULT hr = OpenFileStream(path, true, stream);
  if (FAILED(hr)) {
    error = "cannot create settings file '" + path + "': " + DescribeHresult(hr);
    return false;
  }
  hr = persist_->Save(stream.Get(), TRUE);
  if (SUCCEEDED(hr)) hr = stream->Commit(STGC_DEFAULT);
  if (FAILED(hr)) error = "saving settings to '" + path + "' failed: " + DescribeHresult(hr);
  return SUCCEEDED(hr);
}

void EffectControls::PrintSettings(std::FILE* out) const {
  std::fprintf(out, "%s settings (%s):\n", plugin_->effect, plugin_->library);
  std::fprintf(out, "  %-4s %-12s %12s   %-22s %s\n", "slot", "label", "value", "range", "unit");
  for (int slot = 0; slot < plugin_->slotCount; ++slot) {
    const auto i = static_cast<std::size_t>(slot);
    double value = 0;
    const bool known = SUCCEEDED(GetSlot(i, value));
    char range[64] = "";
    const char* label = LabelOf(table_, i);
    const char* unit = "";
    if (i < table_.slots.size()) {
      const SlotSpec& s = table_.slots[i];
      std::snprintf(range, sizeof range, "%g .. %g", s.lower, s.upper);
      unit = s.unit;
    }
    if (known) {
      std::fprintf(out, "  %-4d %-12s %12.6g   %-22s %s\n", slot, label, value, range, unit);
    } else {
      std::fprintf(out, "  %-4d %-12s %12s   %-22s %s\n", slot, label, "(error)", range, unit);
    }
  }
}

bool EffectControls::PrintPresets(std::FILE* out, std::string& error) const {
  if (!presets_) {
    error = std::string("the ") + plugin_->effect + " filter offers no presets";
    return false;
  }
  const std::vector<std::string> names = PresetNames();
  std::fprintf(out, "%s presets:\n", plugin_->effect);
  for (std::size_t i = 0; i < names.size(); ++i) {
    std::fprintf(out, "  %2zu  %s\n", i, names[i].c_str());
  }
  return true;
}

}  // namespace orkv::render
