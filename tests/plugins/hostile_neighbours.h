// Neighbours that behave as the platform allows rather than as politely as our
// own filters: buffers that fault on the first byte written past their end, a
// graph whose Reconnect answers S_OK and never reconnects, samples whose data
// pointer is null, and a bound on anything that could hang.
#pragma once

#include <dshow.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <vector>

#include "host/com_ptr.h"

namespace orkv::test {

// An IMemAllocator whose buffers end exactly at a no-access page, so an
// overrun faults at once. With `nullPointers`, GetPointer answers S_OK and null.
class GuardedAllocator final : public IMemAllocator {
 public:
  static host::ComPtr<IMemAllocator> Create(bool nullPointers = false);

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE SetProperties(ALLOCATOR_PROPERTIES* wanted,
                                          ALLOCATOR_PROPERTIES* actual) override;
  HRESULT STDMETHODCALLTYPE GetProperties(ALLOCATOR_PROPERTIES* props) override;
  HRESULT STDMETHODCALLTYPE Commit() override;
  HRESULT STDMETHODCALLTYPE Decommit() override;
  // Waits for a free buffer; VFW_E_NOT_COMMITTED once decommitted.
  HRESULT STDMETHODCALLTYPE GetBuffer(IMediaSample** sample, REFERENCE_TIME* start,
                                      REFERENCE_TIME* stop, DWORD flags) override;
  HRESULT STDMETHODCALLTYPE ReleaseBuffer(IMediaSample* sample) override;

  class Sample;

 private:
  explicit GuardedAllocator(bool nullPointers) : nullPointers_(nullPointers) {}
  ~GuardedAllocator();
  void FreeSamples();

  const bool nullPointers_;
  LONG refs_ = 0;
  std::mutex lock_;
  std::condition_variable freed_;
  ALLOCATOR_PROPERTIES props_{};
  bool committed_ = false;
  std::vector<Sample*> all_, free_;
};

// An IFilterGraph that documents Reconnect as asynchronous and never carries it
// out: the call answers S_OK and the output stays as it was.
class LazyReconnectGraph final : public IFilterGraph {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }  // lives on the test's stack
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE AddFilter(IBaseFilter*, LPCWSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE RemoveFilter(IBaseFilter*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumFilters(IEnumFilters**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE FindFilterByName(LPCWSTR, IBaseFilter**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ConnectDirect(IPin*, IPin*, const AM_MEDIA_TYPE*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Reconnect(IPin*) override {
    ++reconnectCalls;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Disconnect(IPin*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetDefaultSyncSource() override { return E_NOTIMPL; }

  int reconnectCalls = 0;
};

// Wraps a sample and hides its data: GetPointer answers S_OK with null.
host::ComPtr<IMediaSample> NullDataSample(IMediaSample* inner);

// Runs `work` on its own thread and waits up to `limit` for it. A thread still
// running then is deadlocked: the process cannot clean up after it, so the
// test reports the hang and ends the process at once rather than hang the run.
void RunWithin(std::chrono::milliseconds limit, const char* what,
               const std::function<void()>& work);

}  // namespace orkv::test
