// Each plug-in's DMO driven directly through IMediaObject, as DMO hosts do:
// its identity, the type rules as literal cases, every call out of order or
// with a bad argument, and the streaming rules (small output buffers, partial
// frames, flush, discontinuity, time stamps, settings changed from another
// thread, settings records shared with the filter).
#include <objbase.h>
#include <uuids.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <string>
#include <thread>

#include "tests/plugins/dmo_test_support.h"
#include "tests/plugins/filter_graph_fixture.h"
#include "tests/plugins/hostile_neighbours.h"

namespace orkv::test {
namespace {

using namespace std::chrono_literals;

// The published DMO class identifiers, in the order of the plug-in table.
const wchar_t* const kPublishedDmoClsids[] = {
    L"{E67AE900-7C67-483B-9250-6EA176FB27D5}", L"{43E4A45D-CFA8-4D95-90E5-71E558BE72D9}",
    L"{ACDADA69-A05D-4F75-9B03-E8416EEFADDB}", L"{B2313459-5489-48DE-B1CC-CD128C2C8EE3}",
    L"{596FAA08-410B-47FA-A0FC-5C1BEDB54668}", L"{4CCF0D96-A305-4074-89EC-BC998A61B85A}",
};

constexpr DWORD kTimed = DMO_INPUT_DATA_BUFFERF_TIME | DMO_INPUT_DATA_BUFFERF_TIMELENGTH;

class DmoTest : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(library.Loaded());
    dmo = CreateDmo<IMediaObject>(library, IID_IMediaObject);
    ASSERT_TRUE(dmo);
  }

  const OrkvPluginInfo& Info() const { return library.Info(); }
  bool IsFilter() const { return IsFilterPlugin(Info()); }
  DWORD Rate() const { return 48000; }

  HRESULT TrySetInput(const AM_MEDIA_TYPE& type, DWORD flags = 0) {
    return dmo->SetInputType(0, AsDmoType(type), flags);
  }

  // A fresh DMO with types for `channels` of 16-bit or float audio.
  ComPtr<IMediaObject> Streaming(bool floats, WORD channels) {
    ComPtr<IMediaObject> object = CreateDmo<IMediaObject>(library, IID_IMediaObject);
    const host::CMediaType type =
        AudioType(floats ? kFloat : kPcm, channels, Rate(), floats ? 32 : 16);
    EXPECT_EQ(SetStreamTypes(object.Get(), type), S_OK);
    return object;
  }

  void LockAndUnlock();

  ComApartment apartment;
  PluginLibrary library{kOrkvPlugins[GetParam()]};
  ComPtr<IMediaObject> dmo;
};

TEST_P(DmoTest, TheLibraryMakesItUnderThePublishedIdentifier) {
  CLSID published{};
  ASSERT_EQ(CLSIDFromString(kPublishedDmoClsids[GetParam()], &published), S_OK);
  EXPECT_EQ(published, *Info().dmoClsid);
  ComPtr<IClassFactory> factory;
  EXPECT_EQ(library.GetClassObject(published, IID_IClassFactory, factory.GetVoidAddressOf()), S_OK);
}

// One identity: every interface reaches every other, GetPages names the page,
// and the settings record is the filter's.
TEST_P(DmoTest, AnswersTheEffectInterfacesWithOneIdentity) {
  ComPtr<IUnknown> viaDmo, viaParams;
  ComPtr<IEffectParameters> params;
  ComPtr<IEffectPresets> presets;
  ComPtr<IPersistStream> persist;
  ComPtr<ISpecifyPropertyPages> pages;
  ASSERT_EQ(dmo->QueryInterface(*Info().parametersIid, params.GetVoidAddressOf()), S_OK);
  ASSERT_EQ(dmo->QueryInterface(IID_IEffectPresets, presets.GetVoidAddressOf()), S_OK);
  ASSERT_EQ(dmo->QueryInterface(IID_IPersistStream, persist.GetVoidAddressOf()), S_OK);
  ASSERT_EQ(dmo->QueryInterface(IID_ISpecifyPropertyPages, pages.GetVoidAddressOf()), S_OK);
  ASSERT_EQ(dmo->QueryInterface(IID_IUnknown, viaDmo.GetVoidAddressOf()), S_OK);
  ASSERT_EQ(params->QueryInterface(IID_IUnknown, viaParams.GetVoidAddressOf()), S_OK);
  EXPECT_EQ(viaDmo.Get(), viaParams.Get());
  ComPtr<IUnknown> other;
  EXPECT_EQ(dmo->QueryInterface(IID_IBaseFilter, other.GetVoidAddressOf()), E_NOINTERFACE);

  CAUUID list{};
  ASSERT_EQ(pages->GetPages(&list), S_OK);
  ASSERT_EQ(list.cElems, 1u);
  EXPECT_EQ(list.pElems[0], *Info().pageClsid);
  CoTaskMemFree(list.pElems);

  CLSID id{};
  EXPECT_EQ(persist->GetClassID(&id), S_OK);
  EXPECT_EQ(id, *Info().dmoClsid);
  ULARGE_INTEGER size{};
  EXPECT_EQ(persist->GetSizeMax(&size), S_OK);
  EXPECT_EQ(size.QuadPart, Info().recordSize);
  LONG count = 0;
  EXPECT_EQ(presets->GetPresetCount(&count), S_OK);
  EXPECT_GE(count, 5);
}

// An object that aggregates the DMO, as the platform's DMO Wrapper does.
class Outer final : public IUnknown {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (riid == IID_IUnknown) {
      *ppv = this;
      AddRef();
      return S_OK;
    }
    return inner ? inner->QueryInterface(riid, ppv) : E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }
  ULONG refs = 1;
  ComPtr<IUnknown> inner;
};

TEST_P(DmoTest, CanBeAggregated) {
  Outer outer;
  outer.inner = CreateDmo<IUnknown>(library, IID_IUnknown, &outer);
  ASSERT_TRUE(outer.inner);
  EXPECT_FALSE(CreateDmo<IMediaObject>(library, IID_IMediaObject, &outer));
  ComPtr<IMediaObject> object;
  ASSERT_EQ(outer.QueryInterface(IID_IMediaObject, object.GetVoidAddressOf()), S_OK);
  const ULONG before = outer.refs;
  ComPtr<IUnknown> identity;
  ASSERT_EQ(object->QueryInterface(IID_IUnknown, identity.GetVoidAddressOf()), S_OK);
  EXPECT_EQ(identity.Get(), static_cast<IUnknown*>(&outer));  // delegates to the outer object
  EXPECT_EQ(outer.refs, before + 1);
  identity.Reset();
  object.Reset();
  outer.inner.Reset();
  EXPECT_EQ(outer.refs, 1u);
}

TEST_P(DmoTest, OneStreamEachWayAndTheTypesItEnumerates) {
  DWORD inputs = 0, outputs = 0;
  ASSERT_EQ(dmo->GetStreamCount(&inputs, &outputs), S_OK);
  EXPECT_EQ(inputs, 1u);
  EXPECT_EQ(outputs, 1u);

  DMO_MEDIA_TYPE type{};
  ASSERT_EQ(dmo->GetInputType(0, 0, &type), S_OK);
  EXPECT_EQ(type.majortype, MEDIATYPE_Audio);
  EXPECT_EQ(type.subtype, MEDIASUBTYPE_PCM);
  ASSERT_EQ(dmo->GetInputType(0, 1, &type), S_OK);
  EXPECT_EQ(type.subtype, MEDIASUBTYPE_IEEE_FLOAT);
  EXPECT_EQ(dmo->GetInputType(0, 2, &type), DMO_E_NO_MORE_ITEMS);
  EXPECT_EQ(dmo->GetInputType(1, 0, &type), DMO_E_INVALIDSTREAMINDEX);
  EXPECT_EQ(dmo->GetOutputType(0, 0, &type), DMO_E_TYPE_NOT_SET);

  // Mono 16-bit at 44.1 kHz (48 kHz for the Filter): the stereo form.
  const DWORD rate = IsFilter() ? 48000 : 44100;
  ASSERT_EQ(TrySetInput(AudioType(kPcm, 1, rate, 16)), S_OK);
  DMO_MEDIA_TYPE out{};
  ASSERT_EQ(dmo->GetOutputType(0, 0, &out), S_OK);
  ASSERT_GE(out.cbFormat, 16u);
  WAVEFORMATEX f{};
  std::memcpy(&f, out.pbFormat, 16);
  EXPECT_EQ(f.wFormatTag, WAVE_FORMAT_PCM);
  EXPECT_EQ(f.nChannels, 2);
  EXPECT_EQ(f.nSamplesPerSec, rate);
  EXPECT_EQ(f.nBlockAlign, 4);
  EXPECT_EQ(f.nAvgBytesPerSec, rate * 4);
  EXPECT_EQ(f.wBitsPerSample, 16);
  host::FreeMediaType(*reinterpret_cast<AM_MEDIA_TYPE*>(&out));
  EXPECT_EQ(dmo->GetOutputType(0, 1, &out), DMO_E_NO_MORE_ITEMS);
  EXPECT_EQ(dmo->GetOutputType(0, 0, nullptr), S_OK);
}

TEST_P(DmoTest, InputTypesFollowTheFiltersRules) {
  const HRESULT refused = DMO_E_TYPE_NOT_ACCEPTED;
  EXPECT_EQ(TrySetInput(AudioType(kPcm, 2, 48000, 8)), refused);
  EXPECT_EQ(TrySetInput(AudioType(kPcm, 2, 48000, 24)), refused);
  EXPECT_EQ(TrySetInput(AudioType(kFloat, 2, 48000, 64)), refused);
  EXPECT_EQ(TrySetInput(AudioType(kFloat, 2, 48000, 16)), refused);
  EXPECT_EQ(TrySetInput(AudioType(kPcm, 6, 48000, 16)), refused);
  EXPECT_EQ(TrySetInput(AudioType(kPcm, 0, 48000, 16)), refused);
  EXPECT_EQ(TrySetInput(AudioType(0xFFFE, 2, 48000, 16)), refused);  // extensible tag

  host::CMediaType video = AudioType(kPcm, 2, 48000, 16);
  video.majortype = MEDIATYPE_Video;
  EXPECT_EQ(TrySetInput(video), refused);
  host::CMediaType compressed = AudioType(kPcm, 2, 48000, 16);
  compressed.bTemporalCompression = TRUE;
  EXPECT_EQ(TrySetInput(compressed), refused);
  host::CMediaType shortBlock = AudioType(kPcm, 2, 48000, 16);
  shortBlock.cbFormat = 15;
  EXPECT_EQ(TrySetInput(shortBlock), refused);
  host::CMediaType noBlock = AudioType(kPcm, 2, 48000, 16);
  noBlock.ResetFormatBuffer();
  noBlock.cbFormat = 18;  // a length without a block
  EXPECT_EQ(TrySetInput(noBlock), refused);
  noBlock.cbFormat = 0;

  // A 17-byte block: only its first 16 bytes are read.
  host::CMediaType oddBlock = AudioType(kPcm, 2, 48000, 16);
  ASSERT_TRUE(oddBlock.ReallocFormatBuffer(17));
  EXPECT_EQ(TrySetInput(oddBlock), S_OK);

  EXPECT_EQ(TrySetInput(AudioType(kPcm, 1, 22050, 16)), IsFilter() ? refused : S_OK);
  EXPECT_EQ(TrySetInput(AudioType(kFloat, 2, 32000, 32)), S_OK);
  EXPECT_EQ(
      TrySetInput(AudioType(kPcm, 2, 48000, 16), DMO_SET_TYPEF_TEST_ONLY | DMO_SET_TYPEF_CLEAR),
      E_INVALIDARG);
  EXPECT_EQ(TrySetInput(AudioType(kPcm, 2, 48000, 16), 0x100), E_INVALIDARG);
  EXPECT_EQ(dmo->SetInputType(0, nullptr, 0), E_POINTER);
  EXPECT_EQ(dmo->SetInputType(1, nullptr, DMO_SET_TYPEF_CLEAR), DMO_E_INVALIDSTREAMINDEX);
}

// TEST_ONLY answers without setting; CLEAR removes; the current type is a copy.
TEST_P(DmoTest, TestOnlyAndClearAsDocumented) {
  DMO_MEDIA_TYPE current{};
  EXPECT_EQ(dmo->GetInputCurrentType(0, &current), DMO_E_TYPE_NOT_SET);
  EXPECT_EQ(TrySetInput(AudioType(kFloat, 2, 48000, 32), DMO_SET_TYPEF_TEST_ONLY), S_OK);
  EXPECT_EQ(TrySetInput(AudioType(kFloat, 2, 48000, 8), DMO_SET_TYPEF_TEST_ONLY),
            DMO_E_TYPE_NOT_ACCEPTED);
  EXPECT_EQ(dmo->GetInputCurrentType(0, &current), DMO_E_TYPE_NOT_SET);

  ASSERT_EQ(SetStreamTypes(dmo.Get(), AudioType(kFloat, 2, 48000, 32)), S_OK);
  ASSERT_EQ(dmo->GetInputCurrentType(0, &current), S_OK);
  EXPECT_EQ(current.subtype, MEDIASUBTYPE_IEEE_FLOAT);
  host::FreeMediaType(*reinterpret_cast<AM_MEDIA_TYPE*>(&current));
  ASSERT_EQ(dmo->GetOutputCurrentType(0, &current), S_OK);
  host::FreeMediaType(*reinterpret_cast<AM_MEDIA_TYPE*>(&current));

  EXPECT_EQ(dmo->SetOutputType(0, nullptr, DMO_SET_TYPEF_CLEAR), S_OK);
  EXPECT_EQ(dmo->GetOutputCurrentType(0, &current), DMO_E_TYPE_NOT_SET);
  EXPECT_EQ(dmo->SetInputType(0, nullptr, DMO_SET_TYPEF_CLEAR), S_OK);
  EXPECT_EQ(dmo->GetInputCurrentType(0, &current), DMO_E_TYPE_NOT_SET);
  EXPECT_EQ(dmo->GetOutputType(0, 0, &current), DMO_E_TYPE_NOT_SET);
}

TEST_P(DmoTest, OutputTypesFollowTheFiltersTransformRules) {
  const host::CMediaType stereo = AudioType(kPcm, 2, 48000, 16);
  EXPECT_EQ(dmo->SetOutputType(0, AsDmoType(stereo), 0), DMO_E_TYPE_NOT_SET);
  ASSERT_EQ(TrySetInput(AudioType(kPcm, 1, 48000, 16)), S_OK);
  const HRESULT refused = DMO_E_TYPE_NOT_ACCEPTED;
  EXPECT_EQ(dmo->SetOutputType(0, AsDmoType(AudioType(kPcm, 1, 48000, 16)), 0), refused);
  EXPECT_EQ(dmo->SetOutputType(0, AsDmoType(AudioType(kPcm, 2, 44100, 16)), 0), refused);
  EXPECT_EQ(dmo->SetOutputType(0, AsDmoType(AudioType(kFloat, 2, 48000, 32)), 0), refused);
  EXPECT_EQ(dmo->SetOutputType(0, AsDmoType(stereo), DMO_SET_TYPEF_TEST_ONLY), S_OK);
  EXPECT_EQ(dmo->SetOutputType(0, AsDmoType(stereo), 0), S_OK);

  // A new input the output cannot follow clears the output type.
  ASSERT_EQ(TrySetInput(AudioType(kFloat, 2, 48000, 32)), S_OK);
  DMO_MEDIA_TYPE current{};
  EXPECT_EQ(dmo->GetOutputCurrentType(0, &current), DMO_E_TYPE_NOT_SET);
  DWORD status = 0;
  EXPECT_EQ(dmo->GetInputStatus(0, &status), DMO_E_TYPE_NOT_SET);
}

// Every streaming call before the types are set, and every bad argument.
TEST_P(DmoTest, CallsOutOfOrderAndBadArgumentsGetTheDocumentedErrors) {
  TestBuffer in(TestAudio(4096, false, 1));
  TestBuffer out(8192);
  DMO_OUTPUT_DATA_BUFFER output{&out, 0, 0, 0};
  DWORD status = 0, size = 0, lookahead = 0, alignment = 0;
  EXPECT_EQ(dmo->ProcessInput(0, &in, 0, 0, 0), DMO_E_TYPE_NOT_SET);
  EXPECT_EQ(dmo->ProcessOutput(0, 1, &output, &status), DMO_E_TYPE_NOT_SET);
  EXPECT_EQ(dmo->GetInputStatus(0, &status), DMO_E_TYPE_NOT_SET);
  EXPECT_EQ(dmo->AllocateStreamingResources(), DMO_E_TYPE_NOT_SET);
  EXPECT_EQ(dmo->Discontinuity(0), DMO_E_TYPE_NOT_SET);
  EXPECT_EQ(dmo->GetInputSizeInfo(0, &size, &lookahead, &alignment), DMO_E_TYPE_NOT_SET);
  EXPECT_EQ(dmo->GetOutputSizeInfo(0, &size, &alignment), DMO_E_TYPE_NOT_SET);
  EXPECT_EQ(dmo->Flush(), S_OK);
  EXPECT_EQ(dmo->FreeStreamingResources(), S_OK);

  ASSERT_EQ(SetStreamTypes(dmo.Get(), AudioType(kPcm, 2, 48000, 16)), S_OK);
  EXPECT_EQ(dmo->GetOutputSizeInfo(0, &size, &alignment), S_OK);
  EXPECT_GE(size, 4u);
  EXPECT_EQ(size % 4, 0u);
  EXPECT_EQ(dmo->ProcessOutput(0, 1, &output, &status), S_FALSE);  // nothing to process yet
  EXPECT_EQ(output.dwStatus, 0u);
  EXPECT_EQ(dmo->ProcessInput(0, nullptr, 0, 0, 0), E_POINTER);
  EXPECT_EQ(dmo->ProcessInput(1, &in, 0, 0, 0), DMO_E_INVALIDSTREAMINDEX);
  EXPECT_EQ(dmo->ProcessInput(0, &in, 0x80, 0, 0), E_INVALIDARG);
  EXPECT_EQ(dmo->GetInputStatus(0, &status), S_OK);
  EXPECT_EQ(status, DWORD{DMO_INPUT_STATUSF_ACCEPT_DATA});

  ASSERT_EQ(dmo->ProcessInput(0, &in, 0, 0, 0), S_OK);
  EXPECT_GT(in.refs.load(), 1u);  // held until drained
  EXPECT_EQ(dmo->GetInputStatus(0, &status), S_OK);
  EXPECT_EQ(status, 0u);
  EXPECT_EQ(dmo->ProcessInput(0, &in, 0, 0, 0), DMO_E_NOTACCEPTING);
  EXPECT_EQ(dmo->ProcessOutput(0, 1, nullptr, &status), E_POINTER);
  EXPECT_EQ(dmo->ProcessOutput(0, 1, &output, nullptr), E_POINTER);
  EXPECT_EQ(dmo->ProcessOutput(0, 2, &output, &status), E_INVALIDARG);
  EXPECT_EQ(dmo->ProcessOutput(0x10, 1, &output, &status), E_INVALIDARG);
  DMO_OUTPUT_DATA_BUFFER none{nullptr, 0, 0, 0};
  EXPECT_EQ(dmo->ProcessOutput(0, 1, &none, &status), E_POINTER);
  TestBuffer empty(0);
  TestBuffer full(64, 64);
  TestBuffer tooSmall(3);  // less than one stereo 16-bit frame
  for (TestBuffer* b : {&empty, &full, &tooSmall}) {
    DMO_OUTPUT_DATA_BUFFER noRoom{b, 0, 0, 0};
    EXPECT_EQ(dmo->ProcessOutput(0, 1, &noRoom, &status), E_INVALIDARG);
  }
  // The input is still there for a proper buffer, and goes with it.
  EXPECT_EQ(dmo->ProcessOutput(0, 1, &output, &status), S_OK);
  EXPECT_EQ(out.length, 4096u);
  EXPECT_EQ(in.refs.load(), 1u);

  // Discarded output: the input goes, nothing is written.
  ASSERT_EQ(dmo->ProcessInput(0, &in, 0, 0, 0), S_OK);
  EXPECT_EQ(dmo->ProcessOutput(DMO_PROCESS_OUTPUT_DISCARD_WHEN_NO_BUFFER, 1, &none, &status), S_OK);
  EXPECT_EQ(in.refs.load(), 1u);
  EXPECT_EQ(dmo->GetInputStatus(0, &status), S_OK);
  EXPECT_EQ(status, DWORD{DMO_INPUT_STATUSF_ACCEPT_DATA});

  // An input buffer claiming more than it holds is read only as far as it goes.
  TestBuffer liar(TestAudio(64, false, 2));
  liar.length = 1000000;
  ASSERT_EQ(dmo->ProcessInput(0, &liar, 0, 0, 0), S_OK);
  TestBuffer big(1 << 20);
  DMO_OUTPUT_DATA_BUFFER bigOut{&big, 0, 0, 0};
  EXPECT_EQ(dmo->ProcessOutput(0, 1, &bigOut, &status), S_OK);
  EXPECT_EQ(big.length, 64u);
}

TEST_P(DmoTest, TheHostsLockIsBalancedAndRefusesAStrangersUnlock) {
  RunWithin(20s, "the host's lock", [&] { LockAndUnlock(); });
}

void DmoTest::LockAndUnlock() {
  EXPECT_EQ(dmo->Lock(FALSE), E_UNEXPECTED);
  ASSERT_EQ(dmo->Lock(TRUE), S_OK);
  ASSERT_EQ(dmo->Lock(TRUE), S_OK);
  HRESULT stranger = S_OK;
  std::thread other([&] { stranger = dmo->Lock(FALSE); });
  // The other thread waits for the lock; it gets it once both holds are gone.
  std::this_thread::sleep_for(20ms);
  EXPECT_EQ(dmo->Lock(FALSE), S_OK);
  EXPECT_EQ(dmo->Lock(FALSE), S_OK);
  other.join();
  EXPECT_EQ(stranger, E_UNEXPECTED);
  EXPECT_EQ(dmo->Lock(FALSE), E_UNEXPECTED);
  DWORD inputs = 0, outputs = 0;
  EXPECT_EQ(dmo->GetStreamCount(&inputs, &outputs), S_OK);
}

// Output buffers of any size, even odd ones: the same samples, none lost or
// repeated, INCOMPLETE on every buffer but the last of each input buffer.
TEST_P(DmoTest, SmallOutputBuffersGiveTheSameSamples) {
  for (const bool floats : {false, true}) {
    for (const WORD channels : {WORD{1}, WORD{2}}) {
      const DWORD inFrame = channels * (floats ? 4u : 2u);
      const DWORD outFrame = 2 * (floats ? 4u : 2u);
      ComPtr<IMediaObject> whole = Streaming(floats, channels);
      ComPtr<IMediaObject> pieces = Streaming(floats, channels);
      for (int k = 0; k < 6; ++k) {
        const auto input = TestAudio(1000 * inFrame, floats, 10 + k);
        const auto reference = Drain(whole.Get(), input, 1 << 20);
        ASSERT_EQ(reference.size(), 1u);
        const DWORD outBytes = outFrame * (37 + 50 * k) + (k % 2 ? outFrame - 1 : 0);
        const auto chunks = Drain(pieces.Get(), input, outBytes);
        ASSERT_FALSE(chunks.empty());
        for (std::size_t i = 0; i < chunks.size(); ++i) {
          const bool last = i + 1 == chunks.size();
          EXPECT_EQ((chunks[i].status & DMO_OUTPUT_DATA_BUFFERF_INCOMPLETE) != 0, !last);
        }
        EXPECT_EQ(Joined(chunks), reference[0].bytes) << floats << channels << k;
        EXPECT_EQ(reference[0].bytes.size(), 1000u * outFrame);
      }
    }
  }
}

// A partial frame at the end of an input buffer is dropped; a buffer with no
// whole frame gives no output and is not held.
TEST_P(DmoTest, OddByteCountsProcessTheWholeFrames) {
  ComPtr<IMediaObject> object = Streaming(false, 2);
  const auto chunks = Drain(object.Get(), TestAudio(4097, false, 3), 1 << 16);
  ASSERT_EQ(chunks.size(), 1u);
  EXPECT_EQ(chunks[0].bytes.size(), 4096u);
  TestBuffer tiny(TestAudio(3, false, 4));
  EXPECT_EQ(object->ProcessInput(0, &tiny, 0, 0, 0), S_FALSE);
  EXPECT_EQ(tiny.refs.load(), 1u);
  DWORD status = 0;
  EXPECT_EQ(object->GetInputStatus(0, &status), S_OK);
  EXPECT_EQ(status, DWORD{DMO_INPUT_STATUSF_ACCEPT_DATA});
}

// The first output of an input buffer carries its time, length and sync point,
// the others nothing; a time without a length is not carried.
TEST_P(DmoTest, TimesAndSyncPointsAreCarriedLikeTheFilters) {
  ComPtr<IMediaObject> object = Streaming(false, 1);
  const auto input = TestAudio(2000, false, 5);
  auto chunks =
      Drain(object.Get(), input, 1000, kTimed | DMO_INPUT_DATA_BUFFERF_SYNCPOINT, 123456, 7890);
  ASSERT_EQ(chunks.size(), 4u);  // 1000 mono frames into 250-frame stereo buffers
  EXPECT_EQ(chunks[0].status,
            DWORD{DMO_OUTPUT_DATA_BUFFERF_TIME | DMO_OUTPUT_DATA_BUFFERF_TIMELENGTH |
                  DMO_OUTPUT_DATA_BUFFERF_SYNCPOINT | DMO_OUTPUT_DATA_BUFFERF_INCOMPLETE});
  EXPECT_EQ(chunks[0].time, 123456);
  EXPECT_EQ(chunks[0].length, 7890);
  EXPECT_EQ(chunks[1].status, DWORD{DMO_OUTPUT_DATA_BUFFERF_INCOMPLETE});
  EXPECT_EQ(chunks[3].status, 0u);

  chunks = Drain(object.Get(), input, 1 << 16, DMO_INPUT_DATA_BUFFERF_TIME, 5, 0);
  ASSERT_EQ(chunks.size(), 1u);
  EXPECT_EQ(chunks[0].status, 0u);
}

// A flush drops the held input but keeps the engine's state, as the filter's
// flush does; freeing the streaming resources ends the stream, and the next
// one starts from silence.
TEST_P(DmoTest, FlushKeepsTheEngineStateAndANewStreamStartsAfresh) {
  const auto first = TestAudio(8192, true, 6);
  const auto dropped = TestAudio(8192, true, 7);
  const auto second = TestAudio(8192, true, 8);
  ComPtr<IMediaObject> plain = Streaming(true, 2);
  ComPtr<IMediaObject> flushed = Streaming(true, 2);
  Drain(plain.Get(), first, 1 << 16);
  const auto expected = Joined(Drain(plain.Get(), second, 1 << 16));

  Drain(flushed.Get(), first, 1 << 16);
  TestBuffer held(dropped);
  ASSERT_EQ(flushed->ProcessInput(0, &held, 0, 0, 0), S_OK);
  ASSERT_EQ(flushed->Flush(), S_OK);
  EXPECT_EQ(held.refs.load(), 1u);
  TestBuffer out(1 << 16);
  DMO_OUTPUT_DATA_BUFFER output{&out, 0, 0, 0};
  DWORD status = 0;
  EXPECT_EQ(flushed->ProcessOutput(0, 1, &output, &status), S_FALSE);
  EXPECT_EQ(Joined(Drain(flushed.Get(), second, 1 << 16)), expected);

  ComPtr<IMediaObject> fresh = Streaming(true, 2);
  const auto fromSilence = Joined(Drain(fresh.Get(), second, 1 << 16));
  ASSERT_EQ(flushed->FreeStreamingResources(), S_OK);
  ASSERT_EQ(flushed->AllocateStreamingResources(), S_OK);
  EXPECT_EQ(Joined(Drain(flushed.Get(), second, 1 << 16)), fromSilence);
}

// With no latency a discontinuity has nothing to drain: the output around it
// is what it would have been without it.
TEST_P(DmoTest, DiscontinuityAddsAndLosesNothing) {
  ComPtr<IMediaObject> plain = Streaming(false, 2);
  ComPtr<IMediaObject> marked = Streaming(false, 2);
  for (int k = 0; k < 3; ++k) {
    const auto input = TestAudio(4096, false, 20 + k);
    const auto expected = Joined(Drain(plain.Get(), input, 1 << 16));
    EXPECT_EQ(marked->Discontinuity(0), S_OK);
    TestBuffer out(4096);
    DMO_OUTPUT_DATA_BUFFER output{&out, 0, 0, 0};
    DWORD status = 0;
    EXPECT_EQ(marked->ProcessOutput(0, 1, &output, &status), S_FALSE);
    EXPECT_EQ(Joined(Drain(marked.Get(), input, 1 << 16)), expected);
  }
  EXPECT_EQ(marked->Discontinuity(1), DMO_E_INVALIDSTREAMINDEX);
}

// Settings written from another thread while buffers stream: every call
// returns, every output sample is finite.
TEST_P(DmoTest, SettingsChangedFromAnotherThreadWhileProcessing) {
  ComPtr<IMediaObject> object = Streaming(true, 2);
  ComPtr<IEffectParameters8> params;
  ASSERT_EQ(object->QueryInterface(*Info().parametersIid, params.GetVoidAddressOf()), S_OK);
  RunWithin(60s, "processing while settings change", [&] {
    std::atomic<bool> done{false};
    std::thread editor([&] {
      for (int n = 0; !done; ++n) {
        params->SetParam0(n % 7 * 0.37);
        params->SetParam1(n % 5 * 11.0);
        params->SetParam3(n % 3 * 0.5);
      }
    });
    bool finite = true;
    for (int k = 0; k < 300; ++k) {
      const auto out = Joined(Drain(object.Get(), TestAudio(4096, true, k), 1000 + 8 * k));
      EXPECT_EQ(out.size(), 4096u);
      for (std::size_t at = 0; at + 4 <= out.size(); at += 4) {
        float f;
        std::memcpy(&f, &out[at], 4);
        finite = finite && std::isfinite(f);
      }
    }
    done = true;
    editor.join();
    EXPECT_TRUE(finite);
  });
}

// A settings record saved by the DMO loads into the filter and back.
TEST_P(DmoTest, SettingsRecordsCrossBetweenTheDmoAndTheFilter) {
  ComPtr<IEffectPresets> presets;
  ASSERT_EQ(dmo->QueryInterface(IID_IEffectPresets, presets.GetVoidAddressOf()), S_OK);
  ASSERT_EQ(presets->ApplyPreset(2), S_OK);
  ComPtr<IPersistStream> dmoPersist;
  ASSERT_EQ(dmo->QueryInterface(IID_IPersistStream, dmoPersist.GetVoidAddressOf()), S_OK);
  ComPtr<IStream> stream;
  ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, stream.GetAddressOf()), S_OK);
  ASSERT_EQ(dmoPersist->Save(stream.Get(), TRUE), S_OK);
  EXPECT_EQ(dmoPersist->IsDirty(), S_FALSE);

  ComPtr<IPersistStream> filterPersist = library.Create<IPersistStream>(IID_IPersistStream);
  ASSERT_TRUE(filterPersist);
  ASSERT_EQ(stream->Seek({}, STREAM_SEEK_SET, nullptr), S_OK);
  ASSERT_EQ(filterPersist->Load(stream.Get()), S_OK);
  ComPtr<IEffectParameters> dmoParams, filterParams;
  ASSERT_EQ(dmo->QueryInterface(*Info().parametersIid, dmoParams.GetVoidAddressOf()), S_OK);
  ASSERT_EQ(filterPersist->QueryInterface(*Info().parametersIid, filterParams.GetVoidAddressOf()),
            S_OK);
  double a[8] = {}, b[8] = {};
  ASSERT_EQ(dmoParams->GetParameters(a), S_OK);
  ASSERT_EQ(filterParams->GetParameters(b), S_OK);
  EXPECT_EQ(std::memcmp(a, b, sizeof(double) * Info().slotCount), 0);

  // And back: the filter's default preset into the DMO.
  ComPtr<IEffectPresets> filterPresets;
  ASSERT_EQ(filterPersist->QueryInterface(IID_IEffectPresets, filterPresets.GetVoidAddressOf()),
            S_OK);
  ASSERT_EQ(filterPresets->ApplyPreset(0), S_OK);
  ComPtr<IStream> back;
  ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, back.GetAddressOf()), S_OK);
  ASSERT_EQ(filterPersist->Save(back.Get(), TRUE), S_OK);
  ASSERT_EQ(back->Seek({}, STREAM_SEEK_SET, nullptr), S_OK);
  ASSERT_EQ(dmoPersist->Load(back.Get()), S_OK);
  ASSERT_EQ(dmoParams->GetParameters(a), S_OK);
  ASSERT_EQ(filterParams->GetParameters(b), S_OK);
  EXPECT_EQ(std::memcmp(a, b, sizeof(double) * Info().slotCount), 0);
}

// The formats the page reads, and the editor events it is told.
TEST_P(DmoTest, ReportsItsFormatsToTheParameterInterfaceAndEditors) {
  ComPtr<IEffectParameters> params;
  ASSERT_EQ(dmo->QueryInterface(*Info().parametersIid, params.GetVoidAddressOf()), S_OK);
  NotifyWindow window;
  ASSERT_EQ(params->SetNotifyWindow(window.Handle(), 32700), S_OK);
  WAVEFORMATEX f{};
  EXPECT_EQ(params->GetPinFormat(0, &f), VFW_E_NOT_CONNECTED);
  ASSERT_EQ(SetStreamTypes(dmo.Get(), AudioType(kFloat, 1, 48000, 32)), S_OK);
  ASSERT_EQ(params->GetPinFormat(0, &f), S_OK);
  EXPECT_EQ(f.nChannels, 1);
  EXPECT_EQ(f.nBlockAlign, 4);
  ASSERT_EQ(params->GetPinFormat(1, &f), S_OK);
  EXPECT_EQ(f.nChannels, 2);
  EXPECT_EQ(f.nBlockAlign, 8);
  EXPECT_EQ(f.nAvgBytesPerSec, 384000u);
  const std::vector<WPARAM> expected = {MAKEWPARAM(32700, 0), MAKEWPARAM(32700, 1)};
  EXPECT_EQ(window.TakeCommands(), expected);
  ASSERT_EQ(dmo->SetInputType(0, nullptr, DMO_SET_TYPEF_CLEAR), S_OK);
  EXPECT_EQ(params->GetPinFormat(0, &f), VFW_E_NOT_CONNECTED);
  params->SetNotifyWindow(window.Handle(), 0);
}

// In place (as the DirectSound effect chain processes): stereo only, and the
// same samples as through ProcessInput and ProcessOutput.
TEST_P(DmoTest, InPlaceProcessingGivesTheSameSamples) {
  for (const bool floats : {false, true}) {
    ComPtr<IMediaObject> streamed = Streaming(floats, 2);
    ComPtr<IMediaObject> inPlaceObject = Streaming(floats, 2);
    ComPtr<IMediaObjectInPlace> inPlace;
    ASSERT_EQ(inPlaceObject->QueryInterface(IID_IMediaObjectInPlace, inPlace.GetVoidAddressOf()),
              S_OK);
    for (int k = 0; k < 4; ++k) {
      // Up to 5000 frames, beyond one stretch of the object's scratch copy,
      // with a partial frame at the end that stays as it was.
      auto data = TestAudio(static_cast<std::size_t>(1000 + 1300 * k) * (floats ? 8 : 4) + 3,
                            floats, 40 + k);
      const auto expected = Joined(Drain(streamed.Get(), data, 1 << 20));
      const auto tail = std::vector<std::uint8_t>(data.end() - 3, data.end());
      ASSERT_EQ(inPlace->Process(static_cast<ULONG>(data.size()), data.data(), 0, 0), S_OK);
      EXPECT_TRUE(std::equal(expected.begin(), expected.end(), data.begin())) << floats << k;
      EXPECT_TRUE(std::equal(tail.begin(), tail.end(), data.end() - 3));
    }
  }
}

TEST_P(DmoTest, InPlaceCallsOutOfOrderAndCloneAndLatency) {
  ComPtr<IMediaObjectInPlace> inPlace;
  ASSERT_EQ(dmo->QueryInterface(IID_IMediaObjectInPlace, inPlace.GetVoidAddressOf()), S_OK);
  std::vector<std::uint8_t> data = TestAudio(4096, false, 50);
  EXPECT_EQ(inPlace->Process(4096, data.data(), 0, 0), DMO_E_TYPE_NOT_SET);
  REFERENCE_TIME latency = -1;
  EXPECT_EQ(inPlace->GetLatency(&latency), S_OK);
  EXPECT_EQ(latency, 0);
  EXPECT_EQ(inPlace->GetLatency(nullptr), E_POINTER);

  ASSERT_EQ(SetStreamTypes(dmo.Get(), AudioType(kPcm, 1, 48000, 16)), S_OK);
  EXPECT_EQ(inPlace->Process(4096, data.data(), 0, 0), E_FAIL);  // mono cannot grow in place
  ASSERT_EQ(SetStreamTypes(dmo.Get(), AudioType(kPcm, 2, 48000, 16)), S_OK);
  EXPECT_EQ(inPlace->Process(4096, nullptr, 0, 0), E_POINTER);
  EXPECT_EQ(inPlace->Process(4096, data.data(), 0, 0x10), E_INVALIDARG);
  EXPECT_EQ(inPlace->Process(0, nullptr, 0, 0), S_OK);
  EXPECT_EQ(inPlace->Process(4096, data.data(), 0, DMO_INPLACE_ZERO), S_OK);

  // A clone: same settings and types, a stand-alone object of its own.
  ComPtr<IEffectParameters> params;
  ASSERT_EQ(dmo->QueryInterface(*Info().parametersIid, params.GetVoidAddressOf()), S_OK);
  ComPtr<IEffectPresets> presets;
  ASSERT_EQ(dmo->QueryInterface(IID_IEffectPresets, presets.GetVoidAddressOf()), S_OK);
  ASSERT_EQ(presets->ApplyPreset(1), S_OK);
  EXPECT_EQ(inPlace->Clone(nullptr), E_POINTER);
  ComPtr<IMediaObjectInPlace> clone;
  ASSERT_EQ(inPlace->Clone(clone.GetAddressOf()), S_OK);
  ComPtr<IEffectParameters> cloneParams;
  ASSERT_EQ(clone->QueryInterface(*Info().parametersIid, cloneParams.GetVoidAddressOf()), S_OK);
  double a[8] = {}, b[8] = {};
  params->GetParameters(a);
  cloneParams->GetParameters(b);
  EXPECT_EQ(std::memcmp(a, b, sizeof(double) * Info().slotCount), 0);
  ComPtr<IMediaObject> cloneObject;
  ASSERT_EQ(clone->QueryInterface(IID_IMediaObject, cloneObject.GetVoidAddressOf()), S_OK);
  DMO_MEDIA_TYPE type{};
  ASSERT_EQ(cloneObject->GetOutputCurrentType(0, &type), S_OK);
  host::FreeMediaType(*reinterpret_cast<AM_MEDIA_TYPE*>(&type));
  EXPECT_NE(static_cast<void*>(cloneObject.Get()), static_cast<void*>(dmo.Get()));
}

INSTANTIATE_TEST_SUITE_P(Plugins, DmoTest, ::testing::Values(ORKV_TEST_PLUGINS), PluginName);

}  // namespace
}  // namespace orkv::test
