// A 32-bit host built with another compiler calls every interface method by the
// platform's convention (stdcall: arguments pushed right to left, the callee
// removes them). A method that removed a different number of bytes would leave
// such a host's stack unbalanced and crash it, while a host built with this
// compiler might not notice. So every method of IEffectParameters (with its
// GetParamN/SetParamN) and IEffectPresets, and the library's exports, are
// called here through a thunk that pushes the arguments itself and measures
// how many bytes the callee took off the stack.
#include <vfwmsgs.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "core/orkv_effects.h"
#include "tests/plugins/plugin_library.h"

#if !defined(__i386__)
#error "the stack balance test is for 32-bit x86 builds"
#endif

// uint32_t CallMeasuringStack(const void* function, const uint32_t* words,
//                             uint32_t count, uint32_t* result)
// Pushes words[count-1] .. words[0], calls `function`, stores EAX in *result
// and returns the number of bytes the callee removed from the stack. The
// caller's stack is restored from EBP whatever the callee did.
extern "C" std::uint32_t CallMeasuringStack(const void* function, const std::uint32_t* words,
                                            std::uint32_t count, std::uint32_t* result);
asm(R"(
  .text
  .globl _CallMeasuringStack
_CallMeasuringStack:
  pushl %ebp
  movl %esp, %ebp
  pushl %ebx
  pushl %esi
  pushl %edi
  movl 12(%ebp), %esi
  movl 16(%ebp), %ecx
1:
  testl %ecx, %ecx
  jz 2f
  decl %ecx
  pushl (%esi,%ecx,4)
  jmp 1b
2:
  movl %esp, %ebx
  call *8(%ebp)
  movl 20(%ebp), %edx
  movl %eax, (%edx)
  movl %esp, %eax
  subl %ebx, %eax
  leal -12(%ebp), %esp
  popl %edi
  popl %esi
  popl %ebx
  popl %ebp
  ret
)");

namespace orkv::test {
namespace {

// One call's arguments as the stack holds them: 32-bit words, a double as two.
class Arguments {
 public:
  Arguments& Word(std::uint32_t word) {
    words_.push_back(word);
    return *this;
  }
  Arguments& Pointer(const void* pointer) {
    return Word(static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(pointer)));
  }
  Arguments& Double(double value) {
    std::uint32_t halves[2];
    std::memcpy(halves, &value, sizeof halves);
    return Word(halves[0]).Word(halves[1]);
  }
  const std::vector<std::uint32_t>& Words() const { return words_; }

 private:
  std::vector<std::uint32_t> words_;
};

struct Outcome {
  std::uint32_t bytesRemoved;
  HRESULT result;
};

Outcome Call(const void* function, const Arguments& arguments) {
  std::uint32_t result = 0;
  const std::uint32_t removed =
      CallMeasuringStack(function, arguments.Words().data(),
                         static_cast<std::uint32_t>(arguments.Words().size()), &result);
  return {removed, static_cast<HRESULT>(result)};
}

// Calls method `index` of `object`'s table with `this` and `arguments`; the
// callee must remove exactly what was pushed.
HRESULT CallMethod(IUnknown* object, int index, const char* name, Arguments arguments) {
  Arguments withThis;
  withThis.Pointer(object);
  for (std::uint32_t word : arguments.Words()) withThis.Word(word);
  const void* const* table = *reinterpret_cast<const void* const* const*>(object);
  const Outcome outcome = Call(table[index], withThis);
  EXPECT_EQ(outcome.bytesRemoved, 4u * withThis.Words().size())
      << name << " (method " << index << ") left the stack unbalanced";
  return outcome.result;
}

// Slots in the interfaces' tables, as the public header declares them.
constexpr int kQueryInterface = 0, kAddRef = 1, kRelease = 2;
constexpr int kGetPresetCount = 3, kGetPresetName = 4, kApplyPreset = 5;
constexpr int kGetParameters = 3, kSetParameters = 4, kGetPinFormat = 5, kSetNotifyWindow = 6;
constexpr int GetParamSlot(int slot) { return 7 + 2 * slot; }
constexpr int SetParamSlot(int slot) { return 8 + 2 * slot; }

// The thunk itself: a caller-cleans function removes nothing, a stdcall one
// its arguments, and each gets its arguments in order.
extern "C" int __cdecl CallerCleans(int a, int b) { return a - b; }
extern "C" int __stdcall CalleeCleans(int a, int b) { return a - b; }

TEST(StackMeasure, SeesWhatTheCalleeRemoves) {
  const Outcome caller =
      Call(reinterpret_cast<const void*>(&CallerCleans), Arguments().Word(7).Word(2));
  EXPECT_EQ(caller.bytesRemoved, 0u);
  EXPECT_EQ(caller.result, 5);
  const Outcome callee =
      Call(reinterpret_cast<const void*>(&CalleeCleans), Arguments().Word(7).Word(2));
  EXPECT_EQ(callee.bytesRemoved, 8u);
  EXPECT_EQ(callee.result, 5);
}

class StackBalanceTest : public ::testing::TestWithParam<int> {
 protected:
  const OrkvPluginInfo& Info() const { return kOrkvPlugins[GetParam()]; }
};

TEST_P(StackBalanceTest, ExportsRemoveTheirArguments) {
  PluginLibrary library(Info());
  ASSERT_TRUE(library.Loaded());
  const void* getClassObject = library.Export<void>("DllGetClassObject");
  const void* canUnloadNow = library.Export<void>("DllCanUnloadNow");
  ASSERT_NE(getClassObject, nullptr);
  ASSERT_NE(canUnloadNow, nullptr);

  IClassFactory* factory = nullptr;
  const Outcome got =
      Call(getClassObject,
           Arguments().Pointer(Info().filterClsid).Pointer(&IID_IClassFactory).Pointer(&factory));
  EXPECT_EQ(got.bytesRemoved, 12u);
  ASSERT_EQ(got.result, S_OK);
  ASSERT_NE(factory, nullptr);
  factory->Release();
  EXPECT_EQ(Call(canUnloadNow, Arguments()).bytesRemoved, 0u);
}

TEST_P(StackBalanceTest, PresetMethodsRemoveTheirArguments) {
  PluginLibrary library(Info());
  ASSERT_TRUE(library.Loaded());
  ComPtr<IEffectPresets> presets = library.Create<IEffectPresets>(IID_IEffectPresets);
  ASSERT_TRUE(presets);
  IUnknown* object = presets.Get();

  void* again = nullptr;
  EXPECT_EQ(CallMethod(object, kQueryInterface, "QueryInterface",
                       Arguments().Pointer(&IID_IEffectPresets).Pointer(&again)),
            S_OK);
  EXPECT_EQ(static_cast<ULONG>(CallMethod(object, kRelease, "Release", Arguments())), 1u);
  EXPECT_EQ(static_cast<ULONG>(CallMethod(object, kAddRef, "AddRef", Arguments())), 2u);
  presets->Release();

  LONG count = 0;
  EXPECT_EQ(CallMethod(object, kGetPresetCount, "GetPresetCount", Arguments().Pointer(&count)),
            S_OK);
  EXPECT_GT(count, 0);
  WCHAR name[64] = {};
  EXPECT_EQ(CallMethod(object, kGetPresetName, "GetPresetName",
                       Arguments().Word(0).Pointer(name).Word(64)),
            S_OK);
  EXPECT_NE(name[0], L'\0');
  EXPECT_EQ(CallMethod(object, kApplyPreset, "ApplyPreset", Arguments().Word(0)), S_OK);
}

TEST_P(StackBalanceTest, ParameterMethodsRemoveTheirArguments) {
  PluginLibrary library(Info());
  ASSERT_TRUE(library.Loaded());
  ComPtr<IEffectParameters> parameters = library.Create<IEffectParameters>(*Info().parametersIid);
  ASSERT_TRUE(parameters);
  IUnknown* object = parameters.Get();

  // Two presets' settings: each slot is then set to the second one's value,
  // which must arrive intact although it travels as two stack words.
  ComPtr<IEffectPresets> presets;
  ASSERT_EQ(parameters->QueryInterface(IID_IEffectPresets, presets.GetVoidAddressOf()), S_OK);
  double wanted[8] = {};
  ASSERT_EQ(presets->ApplyPreset(1), S_OK);
  ASSERT_EQ(parameters->GetParameters(wanted), S_OK);
  ASSERT_EQ(presets->ApplyPreset(0), S_OK);

  double block[8] = {};
  EXPECT_EQ(CallMethod(object, kGetParameters, "GetParameters", Arguments().Pointer(block)), S_OK);
  EXPECT_EQ(CallMethod(object, kSetParameters, "SetParameters", Arguments().Pointer(block)), S_OK);
  WAVEFORMATEX format{};
  for (LONG pin : {0, 1}) {
    EXPECT_EQ(CallMethod(object, kGetPinFormat, "GetPinFormat",
                         Arguments().Word(static_cast<std::uint32_t>(pin)).Pointer(&format)),
              VFW_E_NOT_CONNECTED);
  }
  EXPECT_EQ(CallMethod(object, kSetNotifyWindow, "SetNotifyWindow", Arguments().Word(0).Word(0)),
            S_OK);

  for (int slot = 0; slot < Info().slotCount; ++slot) {
    SCOPED_TRACE("slot " + std::to_string(slot));
    double value = -1;
    EXPECT_EQ(CallMethod(object, GetParamSlot(slot), "GetParam", Arguments().Pointer(&value)),
              S_OK);
    EXPECT_EQ(value, block[slot]);
    EXPECT_EQ(CallMethod(object, SetParamSlot(slot), "SetParam", Arguments().Double(wanted[slot])),
              S_OK);
    EXPECT_EQ(parameters->GetParameters(block), S_OK);
    EXPECT_EQ(block[slot], wanted[slot]) << "the value arrives intact";
  }
}

INSTANTIATE_TEST_SUITE_P(EveryPlugin, StackBalanceTest, ::testing::Values(ORKV_TEST_PLUGINS),
                         PluginName);

}  // namespace
}  // namespace orkv::test
