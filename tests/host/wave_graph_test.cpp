// The gain transform between the system's file reader and WAVE parser and the
// test sink: a real upstream negotiates allocators, streams and seeks.
#include <dshow.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tests/host/graph_fixture.h"

namespace orkv::host::test {
namespace {

// The system's WAVE parser, {D51BD5A1-7548-11CF-A520-0080C77EF58A}.
const CLSID CLSID_WaveParser = {
    0xd51bd5a1, 0x7548, 0x11cf, {0xa5, 0x20, 0x00, 0x80, 0xc7, 0x7e, 0xf5, 0x8a}};

constexpr int kFrames = 4410;  // 0.1 s of 44.1 kHz stereo

std::vector<int16_t> Ramp() {
  std::vector<int16_t> samples(kFrames * 2);
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<int16_t>(i % 2000 - 1000);
  return samples;
}

void PutU32(std::FILE* f, uint32_t v) { std::fwrite(&v, 4, 1, f); }
void PutU16(std::FILE* f, uint16_t v) { std::fwrite(&v, 2, 1, f); }

std::wstring WriteWave(const std::vector<int16_t>& samples) {
  wchar_t dir[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, dir);
  const std::wstring path = std::wstring(dir) + L"orkv_host_test.wav";
  std::FILE* f = _wfopen(path.c_str(), L"wb");
  const uint32_t bytes = static_cast<uint32_t>(samples.size() * 2);
  std::fwrite("RIFF", 1, 4, f);
  PutU32(f, 36 + bytes);
  std::fwrite("WAVEfmt ", 1, 8, f);
  PutU32(f, 16);
  PutU16(f, 1);  // PCM
  PutU16(f, 2);
  PutU32(f, 44100);
  PutU32(f, 44100 * 4);
  PutU16(f, 4);
  PutU16(f, 16);
  std::fwrite("data", 1, 4, f);
  PutU32(f, bytes);
  std::fwrite(samples.data(), 2, samples.size(), f);
  std::fclose(f);
  return path;
}

IPin* FirstPin(IBaseFilter* filter, PIN_DIRECTION direction) {
  ComPtr<IEnumPins> pins;
  filter->EnumPins(pins.GetAddressOf());
  IPin* pin = nullptr;
  while (pins->Next(1, &pin, nullptr) == S_OK) {
    PIN_DIRECTION d;
    pin->QueryDirection(&d);
    if (d == direction) return pin;  // caller releases
    pin->Release();
  }
  return nullptr;
}

using WaveGraphTest = GraphTest;

TEST_F(WaveGraphTest, ParsedFileStreamsThroughTheTransformAndSeeksUpstream) {
  ASSERT_EQ(graph->RemoveFilter(source), S_OK);
  const std::vector<int16_t> input = Ramp();
  const std::wstring path = WriteWave(input);

  ComPtr<IBaseFilter> reader, parser;
  ASSERT_HRESULT_SUCCEEDED(graph->AddSourceFilter(path.c_str(), L"reader", reader.GetAddressOf()));
  ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_WaveParser, nullptr, CLSCTX_INPROC_SERVER,
                                            IID_IBaseFilter, parser.GetVoidAddressOf()));
  ASSERT_HRESULT_SUCCEEDED(graph->AddFilter(parser.Get(), L"parser"));
  ComPtr<IPin> readerOut, parserIn, parserOut;
  readerOut.Attach(FirstPin(reader.Get(), PINDIR_OUTPUT));
  parserIn.Attach(FirstPin(parser.Get(), PINDIR_INPUT));
  ASSERT_HRESULT_SUCCEEDED(graph->ConnectDirect(readerOut.Get(), parserIn.Get(), nullptr));
  parserOut.Attach(FirstPin(parser.Get(), PINDIR_OUTPUT));
  ASSERT_HRESULT_SUCCEEDED(graph->ConnectDirect(parserOut.Get(), GainIn(), nullptr));
  // The parser frees its output pins when its input disconnects: drop them now.
  readerOut.Reset();
  parserIn.Reset();
  parserOut.Reset();
  ASSERT_EQ(ConnectOutput(), S_OK);
  EXPECT_NE(gain->InputPin()->Allocator(), nullptr) << "upstream notified an allocator";

  ComPtr<IMediaSeeking> seeking;
  ASSERT_EQ(GainOut()->QueryInterface(IID_IMediaSeeking, seeking.GetVoidAddressOf()), S_OK);
  LONGLONG duration = 0;
  ASSERT_EQ(seeking->GetDuration(&duration), S_OK);
  EXPECT_EQ(duration, 1000000);  // 0.1 s in 100 ns units

  ASSERT_EQ(control->Run(), S_OK);
  ASSERT_EQ(WaitForSingleObject(sink->endOfStreamEvent, 30000), WAIT_OBJECT_0);
  ASSERT_EQ(control->Stop(), S_OK);
  EXPECT_EQ(gain->calls.startStreaming, 1);
  EXPECT_EQ(gain->calls.stopStreaming, 1);

  std::vector<int16_t> output;
  {
    CAutoLock lock(sink->FilterLock());
    for (const RecordedSample& s : sink->samples) {
      output.insert(output.end(), s.data.begin(), s.data.end());
    }
  }
  ASSERT_EQ(output.size(), input.size());
  for (size_t i = 0; i < input.size(); ++i) ASSERT_EQ(output[i], input[i] * 2) << "at " << i;

  control.Reset();
  graph->RemoveFilter(reader.Get());
  graph->RemoveFilter(parser.Get());
  DeleteFileW(path.c_str());
}

}  // namespace
}  // namespace orkv::host::test
