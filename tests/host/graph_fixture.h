// A real filter graph with the test source, the gain transform and the test
// sink added; every test ends by checking that releasing it leaks no object.
#pragma once

#include <dshow.h>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "host/com_ptr.h"
#include "host/unknown.h"
#include "tests/host/test_filters.h"

namespace orkv::host::test {

class GraphTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_HRESULT_SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    startObjects_ = ActiveObjectCount();
    ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                              IID_IGraphBuilder, graph.GetVoidAddressOf()));
    ASSERT_HRESULT_SUCCEEDED(graph.As(control));
    source = new TestSource;
    gain = new GainFilter;
    sink = new TestSink;
    sourceRef = static_cast<IBaseFilter*>(source);
    gainRef = static_cast<IBaseFilter*>(gain);
    sinkRef = static_cast<IBaseFilter*>(sink);
    ASSERT_HRESULT_SUCCEEDED(graph->AddFilter(sourceRef.Get(), L"source"));
    ASSERT_HRESULT_SUCCEEDED(graph->AddFilter(gainRef.Get(), L"gain"));
    ASSERT_HRESULT_SUCCEEDED(graph->AddFilter(sinkRef.Get(), L"sink"));
  }

  void TearDown() override {
    if (control) control->Stop();
    // Tests also drive the filters directly; the graph cannot remove a filter
    // it does not know is running.
    for (IBaseFilter* filter : {static_cast<IBaseFilter*>(source), static_cast<IBaseFilter*>(gain),
                                static_cast<IBaseFilter*>(sink)}) {
      if (filter != nullptr) filter->Stop();
    }
    looseSample.Reset();
    if (looseAllocator) looseAllocator->Decommit();
    looseAllocator.Reset();
    control.Reset();
    graph.Reset();
    sourceRef.Reset();
    gainRef.Reset();
    sinkRef.Reset();
    EXPECT_EQ(ActiveObjectCount(), startObjects_) << "objects leaked";
    CoUninitialize();
  }

  IPin* SourceOut() { return source->GetPin(0); }
  IPin* GainIn() { return gain->GetPin(0); }
  IPin* GainOut() { return gain->GetPin(1); }
  IPin* SinkIn() { return sink->GetPin(0); }
  IMemInputPin* GainTransport() {
    gain->GetPin(0);  // pins are created on first request
    return gain->InputPin();
  }

  HRESULT ConnectInput() { return graph->ConnectDirect(SourceOut(), GainIn(), nullptr); }
  HRESULT ConnectOutput() { return graph->ConnectDirect(GainOut(), SinkIn(), nullptr); }
  void ConnectBoth() {
    ASSERT_HRESULT_SUCCEEDED(ConnectInput());
    ASSERT_HRESULT_SUCCEEDED(ConnectOutput());
  }

  // A sample from an allocator of the test's own, for calling Receive directly.
  IMediaSample* LooseSample(const std::vector<int16_t>& data) {
    if (!looseAllocator) {
      EXPECT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_MemoryAllocator, nullptr,
                                                CLSCTX_INPROC_SERVER, IID_IMemAllocator,
                                                looseAllocator.GetVoidAddressOf()));
      ALLOCATOR_PROPERTIES wanted = {1, 4096, 1, 0}, actual = {};
      EXPECT_HRESULT_SUCCEEDED(looseAllocator->SetProperties(&wanted, &actual));
      EXPECT_HRESULT_SUCCEEDED(looseAllocator->Commit());
    }
    looseSample.Reset();
    EXPECT_HRESULT_SUCCEEDED(
        looseAllocator->GetBuffer(looseSample.GetAddressOf(), nullptr, nullptr, 0));
    BYTE* bytes = nullptr;
    looseSample->GetPointer(&bytes);
    std::memcpy(bytes, data.data(), data.size() * sizeof(int16_t));
    looseSample->SetActualDataLength(static_cast<long>(data.size() * sizeof(int16_t)));
    return looseSample.Get();
  }

  ComPtr<IGraphBuilder> graph;
  ComPtr<IMediaControl> control;
  TestSource* source = nullptr;
  GainFilter* gain = nullptr;
  TestSink* sink = nullptr;

 private:
  ComPtr<IBaseFilter> sourceRef, gainRef, sinkRef;
  ComPtr<IMemAllocator> looseAllocator;
  ComPtr<IMediaSample> looseSample;
  LONG startObjects_ = 0;
};

}  // namespace orkv::host::test
