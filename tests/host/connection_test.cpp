// Pin identity, connection order and hooks, and allocator negotiation in a real
// filter graph.
#include <dshow.h>
#include <gtest/gtest.h>

#include "tests/host/graph_fixture.h"

namespace orkv::host::test {
namespace {

std::wstring QueryIdOf(IPin* pin) {
  LPWSTR id = nullptr;
  EXPECT_EQ(pin->QueryId(&id), S_OK);
  std::wstring text = id != nullptr ? id : L"";
  CoTaskMemFree(id);
  return text;
}

using IdentityTest = GraphTest;

TEST_F(IdentityTest, FindPinAcceptsExactlyInAndOut) {
  ComPtr<IPin> in, out, other;
  ASSERT_EQ(gain->FindPin(L"In", in.GetAddressOf()), S_OK);
  ASSERT_EQ(gain->FindPin(L"Out", out.GetAddressOf()), S_OK);
  EXPECT_EQ(in.Get(), GainIn());
  EXPECT_EQ(out.Get(), GainOut());
  EXPECT_EQ(QueryIdOf(in.Get()), L"In");
  EXPECT_EQ(QueryIdOf(out.Get()), L"Out");

  for (const wchar_t* id : {L"Input", L"in", L"", L"Out "}) {
    IPin* pin = reinterpret_cast<IPin*>(1);
    EXPECT_EQ(gain->FindPin(id, &pin), VFW_E_NOT_FOUND);
    EXPECT_EQ(pin, nullptr);
  }
  EXPECT_EQ(gain->FindPin(nullptr, other.GetAddressOf()), E_POINTER);
  EXPECT_EQ(gain->FindPin(L"In", nullptr), E_POINTER);
}

TEST_F(IdentityTest, PinInfoNamesTheFilterAndDirection) {
  PIN_INFO info = {};
  ASSERT_EQ(GainOut()->QueryPinInfo(&info), S_OK);
  EXPECT_STREQ(info.achName, L"Output");
  EXPECT_EQ(info.dir, PINDIR_OUTPUT);
  EXPECT_EQ(info.pFilter, static_cast<IBaseFilter*>(gain));
  info.pFilter->Release();

  FILTER_INFO filter = {};
  ASSERT_EQ(gain->QueryFilterInfo(&filter), S_OK);
  EXPECT_STREQ(filter.achName, L"gain");
  EXPECT_EQ(filter.pGraph, static_cast<IFilterGraph*>(graph.Get()));
  filter.pGraph->Release();
}

TEST_F(IdentityTest, EnumPinsListsInputThenOutput) {
  ComPtr<IEnumPins> pins;
  ASSERT_EQ(gain->EnumPins(pins.GetAddressOf()), S_OK);
  IPin* got[3] = {};
  ULONG fetched = 0;
  EXPECT_EQ(pins->Next(3, got, &fetched), S_FALSE);
  ASSERT_EQ(fetched, 2u);
  EXPECT_EQ(got[0], GainIn());
  EXPECT_EQ(got[1], GainOut());
  got[0]->Release();
  got[1]->Release();
  EXPECT_EQ(pins->Skip(3), S_FALSE);
  ComPtr<IEnumPins> clone;
  ASSERT_EQ(pins->Clone(clone.GetAddressOf()), S_OK);
  EXPECT_EQ(clone->Next(1, got, nullptr), S_FALSE);
}

TEST_F(IdentityTest, InterfacesShareTheFilterIdentity) {
  ComPtr<IUnknown> viaFilter, viaSetup;
  ComPtr<IAMovieSetup> setup;
  ASSERT_EQ(gain->QueryInterface(IID_IAMovieSetup, setup.GetVoidAddressOf()), S_OK);
  ASSERT_EQ(setup->QueryInterface(IID_IUnknown, viaSetup.GetVoidAddressOf()), S_OK);
  ASSERT_EQ(gain->QueryInterface(IID_IUnknown, viaFilter.GetVoidAddressOf()), S_OK);
  EXPECT_EQ(viaFilter.Get(), viaSetup.Get());
  for (REFIID iid : {IID_IMediaFilter, IID_IPersist, IID_IBaseFilter}) {
    ComPtr<IUnknown> itf;
    EXPECT_EQ(gain->QueryInterface(iid, itf.GetVoidAddressOf()), S_OK);
  }
  void* none = reinterpret_cast<void*>(1);
  EXPECT_EQ(gain->QueryInterface(IID_IMemInputPin, &none), E_NOINTERFACE);
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(gain->QueryInterface(IID_IBaseFilter, nullptr), E_POINTER);

  CLSID clsid = {};
  EXPECT_EQ(gain->GetClassID(&clsid), S_OK);
  EXPECT_EQ(clsid, CLSID_TestGain);
  EXPECT_EQ(gain->GetClassID(nullptr), E_POINTER);

  // Only the input pin carries the sample transport.
  ComPtr<IMemInputPin> transport;
  EXPECT_EQ(GainIn()->QueryInterface(IID_IMemInputPin, transport.GetVoidAddressOf()), S_OK);
  EXPECT_EQ(GainOut()->QueryInterface(IID_IMemInputPin, transport.GetVoidAddressOf()),
            E_NOINTERFACE);
}

TEST_F(IdentityTest, NullOutPointersAreRefused) {
  EXPECT_EQ(GainIn()->QueryId(nullptr), E_POINTER);
  EXPECT_EQ(GainIn()->QueryPinInfo(nullptr), E_POINTER);
  EXPECT_EQ(GainIn()->QueryDirection(nullptr), E_POINTER);
  EXPECT_EQ(GainIn()->ConnectedTo(nullptr), E_POINTER);
  EXPECT_EQ(GainIn()->ConnectionMediaType(nullptr), E_POINTER);
  EXPECT_EQ(GainIn()->EnumMediaTypes(nullptr), E_POINTER);
  EXPECT_EQ(GainIn()->QueryAccept(nullptr), E_POINTER);
  EXPECT_EQ(GainIn()->Connect(nullptr, nullptr), E_POINTER);
  EXPECT_EQ(GainIn()->ReceiveConnection(nullptr, nullptr), E_POINTER);
  EXPECT_EQ(GainTransport()->Receive(nullptr), E_POINTER);
  EXPECT_EQ(GainTransport()->GetAllocator(nullptr), E_POINTER);
  EXPECT_EQ(GainTransport()->NotifyAllocator(nullptr, FALSE), E_POINTER);
  EXPECT_EQ(gain->EnumPins(nullptr), E_POINTER);
  EXPECT_EQ(gain->QueryFilterInfo(nullptr), E_POINTER);
  EXPECT_EQ(gain->GetState(0, nullptr), E_POINTER);
  EXPECT_EQ(gain->GetSyncSource(nullptr), E_POINTER);
}

using ConnectionTest = GraphTest;

TEST_F(ConnectionTest, OutputRefusesEverythingWhileInputIsUnconnected) {
  EXPECT_EQ(GainOut()->Connect(SinkIn(), nullptr), E_UNEXPECTED);
  CMediaType stereo = PcmType(2);
  EXPECT_EQ(GainOut()->Connect(SinkIn(), &stereo), E_UNEXPECTED);
  EXPECT_HRESULT_FAILED(ConnectOutput());
  EXPECT_EQ(GainOut()->QueryAccept(&stereo), S_FALSE);

  ComPtr<IEnumMediaTypes> types;
  ASSERT_EQ(GainOut()->EnumMediaTypes(types.GetAddressOf()), S_OK);
  AM_MEDIA_TYPE* type = nullptr;
  ULONG fetched = 7;
  EXPECT_EQ(types->Next(1, &type, &fetched), S_FALSE);
  EXPECT_EQ(fetched, 0u);

  IPin* peer = reinterpret_cast<IPin*>(1);
  EXPECT_EQ(GainOut()->ConnectedTo(&peer), VFW_E_NOT_CONNECTED);
  EXPECT_EQ(peer, nullptr);
  EXPECT_EQ(gain->calls.decideBufferSize, 0);
}

TEST_F(ConnectionTest, InputThenOutputRunsTheHooksInOrder) {
  ASSERT_EQ(ConnectInput(), S_OK);
  EXPECT_EQ(gain->calls.setInputType, 1);
  EXPECT_EQ(gain->calls.completeInput, 1);
  EXPECT_TRUE(gain->InputPin()->CurrentMediaType() == PcmType(2));

  // The output now proposes exactly the input's type.
  ComPtr<IEnumMediaTypes> types;
  ASSERT_EQ(GainOut()->EnumMediaTypes(types.GetAddressOf()), S_OK);
  AM_MEDIA_TYPE* proposed[2] = {};
  ULONG fetched = 0;
  EXPECT_EQ(types->Next(2, proposed, &fetched), S_FALSE);
  ASSERT_EQ(fetched, 1u);
  EXPECT_TRUE(CMediaType(*proposed[0]) == PcmType(2));
  DeleteMediaType(proposed[0]);

  ASSERT_EQ(ConnectOutput(), S_OK);
  EXPECT_EQ(gain->calls.setOutputType, 1);
  EXPECT_EQ(gain->calls.completeOutput, 1);
  AM_MEDIA_TYPE current = {};
  ASSERT_EQ(GainOut()->ConnectionMediaType(&current), S_OK);
  EXPECT_TRUE(CMediaType(current) == PcmType(2));
  FreeMediaType(current);

  // Mono cannot become the connected stereo output.
  CMediaType mono = PcmType(1);
  EXPECT_EQ(GainOut()->QueryAccept(&mono), S_FALSE);
}

TEST_F(ConnectionTest, RefusedInputTypeLeavesThePinUnconnected) {
  CMediaType eightBit = PcmType(2, 8);
  EXPECT_EQ(GainIn()->QueryAccept(&eightBit), S_FALSE);
  EXPECT_EQ(GainIn()->ReceiveConnection(SourceOut(), &eightBit), VFW_E_TYPE_NOT_ACCEPTED);
  EXPECT_FALSE(gain->InputPin()->IsConnected());
  EXPECT_EQ(gain->calls.setInputType, 0);
}

TEST_F(ConnectionTest, ReconnectingAConnectedPinIsRefused) {
  ConnectBoth();
  CMediaType stereo = PcmType(2);
  EXPECT_EQ(GainIn()->ReceiveConnection(SourceOut(), &stereo), VFW_E_ALREADY_CONNECTED);
  EXPECT_EQ(GainOut()->Connect(SinkIn(), nullptr), VFW_E_ALREADY_CONNECTED);
}

TEST_F(ConnectionTest, DisconnectBreaksAndNeedsTheStoppedState) {
  ConnectBoth();
  ASSERT_EQ(control->Pause(), S_OK);
  EXPECT_EQ(GainOut()->Disconnect(), VFW_E_NOT_STOPPED);
  ASSERT_EQ(control->Stop(), S_OK);

  EXPECT_EQ(GainOut()->Disconnect(), S_OK);
  EXPECT_EQ(SinkIn()->Disconnect(), S_OK);
  EXPECT_EQ(gain->calls.breakOutput, 1);
  EXPECT_EQ(GainOut()->Disconnect(), S_FALSE);
  AM_MEDIA_TYPE none = {};
  EXPECT_EQ(GainOut()->ConnectionMediaType(&none), VFW_E_NOT_CONNECTED);
  EXPECT_EQ(none.majortype, GUID_NULL);
}

using AllocatorTest = GraphTest;

TEST_F(AllocatorTest, DownstreamAllocatorIsSizedAndNotified) {
  sink->requiredBufferSize = 1000;  // below the filter's wish: the filter decides
  ConnectBoth();
  EXPECT_EQ(sink->allocatorRequirementsAsked, 1);
  EXPECT_EQ(gain->calls.decideBufferSize, 1);
  ASSERT_TRUE(sink->notifiedAllocator);

  ComPtr<IMemAllocator> sinkOwn;
  ASSERT_EQ(sink->Input()->GetAllocator(sinkOwn.GetAddressOf()), S_OK);
  EXPECT_EQ(sink->notifiedAllocator.Get(), sinkOwn.Get()) << "downstream allocator preferred";
  EXPECT_EQ(gain->OutputPin()->Allocator(), sinkOwn.Get());

  ALLOCATOR_PROPERTIES props = {};
  ASSERT_EQ(sinkOwn->GetProperties(&props), S_OK);
  EXPECT_EQ(props.cBuffers, 3);
  EXPECT_EQ(props.cbBuffer, 8192);
  EXPECT_EQ(props.cbBuffer, gain->granted.cbBuffer);
}

TEST_F(AllocatorTest, FallsBackToASystemAllocator) {
  sink->offerAllocator = false;
  ConnectBoth();
  EXPECT_EQ(gain->calls.decideBufferSize, 1);
  ASSERT_TRUE(sink->notifiedAllocator);
  EXPECT_EQ(gain->OutputPin()->Allocator(), sink->notifiedAllocator.Get());
}

TEST_F(AllocatorTest, RefusedAllocatorFailsTheConnection) {
  sink->notifyAllocatorResult = E_ACCESSDENIED;
  ASSERT_EQ(ConnectInput(), S_OK);
  EXPECT_EQ(GainOut()->Connect(SinkIn(), nullptr), E_ACCESSDENIED);
  EXPECT_EQ(gain->calls.decideBufferSize, 2);  // downstream's, then the fallback
  EXPECT_FALSE(gain->OutputPin()->IsConnected());
  EXPECT_EQ(gain->OutputPin()->Allocator(), nullptr);
  EXPECT_FALSE(sink->Input()->IsConnected()) << "peer told to disconnect";
}

TEST_F(AllocatorTest, InputPinCreatesOneAllocatorAndKeepsTheNotifiedOne) {
  ComPtr<IMemAllocator> first, second;
  ASSERT_EQ(GainTransport()->GetAllocator(first.GetAddressOf()), S_OK);
  ASSERT_EQ(GainTransport()->GetAllocator(second.GetAddressOf()), S_OK);
  EXPECT_EQ(first.Get(), second.Get());

  ComPtr<IMemAllocator> other;
  ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER,
                                            IID_IMemAllocator, other.GetVoidAddressOf()));
  ASSERT_EQ(GainTransport()->NotifyAllocator(other.Get(), TRUE), S_OK);
  EXPECT_EQ(gain->InputPin()->Allocator(), other.Get());
  EXPECT_TRUE(gain->InputPin()->IsReadOnly());
}

}  // namespace
}  // namespace orkv::host::test
