#include "tests/plugins/hostile_neighbours.h"

#include <algorithm>
#include <cstdio>
#include <future>
#include <thread>

#include "host/media_type.h"

namespace orkv::test {
namespace {

// QueryInterface of a test object with one interface besides IUnknown.
template <class Interface>
HRESULT AnswerQuery(Interface* self, REFIID own, REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  if (riid == IID_IUnknown || riid == own) {
    *ppv = self;
    self->AddRef();
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

}  // namespace

// One buffer placed so that its last byte is the last byte before a no-access
// page. Handed out with a reference on its allocator, returned at count zero.
class GuardedAllocator::Sample final : public IMediaSample {
 public:
  Sample(GuardedAllocator* owner, long size) : owner_(owner), size_(size) {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    const SIZE_T page = info.dwPageSize;
    const SIZE_T body = (static_cast<SIZE_T>(size) + page - 1) / page * page;
    base_ = static_cast<BYTE*>(
        VirtualAlloc(nullptr, body + page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    if (base_ == nullptr) return;
    DWORD old = 0;
    VirtualProtect(base_ + body, page, PAGE_NOACCESS, &old);
    data_ = base_ + body - size;
  }
  ~Sample() {
    if (base_ != nullptr) VirtualFree(base_, 0, MEM_RELEASE);
    host::FreeMediaType(type_);
  }
  bool Valid() const { return data_ != nullptr; }

  // Readies the sample for a new holder.
  void HandOut() {
    refs_ = 1;
    actual_ = 0;
    timed_ = sync_ = discontinuity_ = preroll_ = mediaTimed_ = false;
    host::FreeMediaType(type_);
    type_ = AM_MEDIA_TYPE{};
    hasType_ = false;
    owner_->AddRef();
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    return AnswerQuery<IMediaSample>(this, IID_IMediaSample, riid, ppv);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&refs_); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = InterlockedDecrement(&refs_);
    if (left == 0) {
      GuardedAllocator* owner = owner_;
      owner->ReleaseBuffer(this);
      owner->Release();
    }
    return static_cast<ULONG>(left);
  }

  HRESULT STDMETHODCALLTYPE GetPointer(BYTE** data) override {
    if (data == nullptr) return E_POINTER;
    *data = owner_->nullPointers_ ? nullptr : data_;
    return S_OK;
  }
  long STDMETHODCALLTYPE GetSize() override { return size_; }
  HRESULT STDMETHODCALLTYPE GetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) override {
    if (!timed_) return VFW_E_SAMPLE_TIME_NOT_SET;
    *start = start_;
    *stop = stop_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) override {
    timed_ = start != nullptr && stop != nullptr;
    if (timed_) start_ = *start, stop_ = *stop;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE IsSyncPoint() override { return sync_ ? S_OK : S_FALSE; }
  HRESULT STDMETHODCALLTYPE SetSyncPoint(BOOL on) override { return sync_ = on, S_OK; }
  HRESULT STDMETHODCALLTYPE IsPreroll() override { return preroll_ ? S_OK : S_FALSE; }
  HRESULT STDMETHODCALLTYPE SetPreroll(BOOL on) override { return preroll_ = on, S_OK; }
  long STDMETHODCALLTYPE GetActualDataLength() override { return actual_; }
  HRESULT STDMETHODCALLTYPE SetActualDataLength(long length) override {
    if (length < 0 || length > size_) return VFW_E_BUFFER_OVERFLOW;
    actual_ = length;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetMediaType(AM_MEDIA_TYPE** type) override {
    *type = hasType_ ? host::CreateMediaTypeCopy(type_) : nullptr;
    return hasType_ ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE SetMediaType(AM_MEDIA_TYPE* type) override {
    host::FreeMediaType(type_);
    type_ = AM_MEDIA_TYPE{};
    hasType_ = type != nullptr && SUCCEEDED(host::CopyMediaType(&type_, type));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE IsDiscontinuity() override { return discontinuity_ ? S_OK : S_FALSE; }
  HRESULT STDMETHODCALLTYPE SetDiscontinuity(BOOL on) override { return discontinuity_ = on, S_OK; }
  HRESULT STDMETHODCALLTYPE GetMediaTime(LONGLONG* start, LONGLONG* stop) override {
    if (!mediaTimed_) return VFW_E_MEDIA_TIME_NOT_SET;
    *start = mediaStart_;
    *stop = mediaStop_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetMediaTime(LONGLONG* start, LONGLONG* stop) override {
    mediaTimed_ = start != nullptr && stop != nullptr;
    if (mediaTimed_) mediaStart_ = *start, mediaStop_ = *stop;
    return S_OK;
  }

 private:
  GuardedAllocator* const owner_;
  const long size_;
  BYTE* base_ = nullptr;
  BYTE* data_ = nullptr;
  LONG refs_ = 0;
  long actual_ = 0;
  bool timed_ = false, sync_ = false, discontinuity_ = false, preroll_ = false;
  bool mediaTimed_ = false, hasType_ = false;
  REFERENCE_TIME start_ = 0, stop_ = 0;
  LONGLONG mediaStart_ = 0, mediaStop_ = 0;
  AM_MEDIA_TYPE type_{};
};

host::ComPtr<IMemAllocator> GuardedAllocator::Create(bool nullPointers) {
  return host::ComPtr<IMemAllocator>(new GuardedAllocator(nullPointers));
}

GuardedAllocator::~GuardedAllocator() { FreeSamples(); }

void GuardedAllocator::FreeSamples() {
  for (Sample* sample : all_) delete sample;
  all_.clear();
  free_.clear();
}

HRESULT STDMETHODCALLTYPE GuardedAllocator::QueryInterface(REFIID riid, void** ppv) {
  return AnswerQuery<IMemAllocator>(this, IID_IMemAllocator, riid, ppv);
}

ULONG STDMETHODCALLTYPE GuardedAllocator::AddRef() { return InterlockedIncrement(&refs_); }

ULONG STDMETHODCALLTYPE GuardedAllocator::Release() {
  const LONG left = InterlockedDecrement(&refs_);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

HRESULT STDMETHODCALLTYPE GuardedAllocator::SetProperties(ALLOCATOR_PROPERTIES* wanted,
                                                          ALLOCATOR_PROPERTIES* actual) {
  if (wanted == nullptr || actual == nullptr) return E_POINTER;
  std::lock_guard guard(lock_);
  if (committed_) return VFW_E_ALREADY_COMMITTED;
  if (all_.size() != free_.size()) return VFW_E_BUFFERS_OUTSTANDING;
  props_ = *wanted;
  props_.cBuffers = std::max(props_.cBuffers, 1L);
  props_.cbAlign = 1;
  props_.cbPrefix = 0;
  *actual = props_;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE GuardedAllocator::GetProperties(ALLOCATOR_PROPERTIES* props) {
  if (props == nullptr) return E_POINTER;
  std::lock_guard guard(lock_);
  *props = props_;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE GuardedAllocator::Commit() {
  std::lock_guard guard(lock_);
  if (committed_) return S_OK;
  if (props_.cbBuffer <= 0) return VFW_E_SIZENOTSET;
  if (all_.empty()) {
    for (long i = 0; i < props_.cBuffers; ++i) {
      auto* sample = new Sample(this, props_.cbBuffer);
      all_.push_back(sample);
      free_.push_back(sample);
      if (!sample->Valid()) {
        FreeSamples();
        return E_OUTOFMEMORY;
      }
    }
  }
  committed_ = true;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE GuardedAllocator::Decommit() {
  std::lock_guard guard(lock_);
  committed_ = false;
  freed_.notify_all();
  return S_OK;
}

HRESULT STDMETHODCALLTYPE GuardedAllocator::GetBuffer(IMediaSample** sample, REFERENCE_TIME*,
                                                      REFERENCE_TIME*, DWORD) {
  if (sample == nullptr) return E_POINTER;
  *sample = nullptr;
  std::unique_lock guard(lock_);
  freed_.wait(guard, [this] { return !committed_ || !free_.empty(); });
  if (!committed_) return VFW_E_NOT_COMMITTED;
  Sample* chosen = free_.back();
  free_.pop_back();
  chosen->HandOut();
  *sample = chosen;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE GuardedAllocator::ReleaseBuffer(IMediaSample* sample) {
  std::lock_guard guard(lock_);
  free_.push_back(static_cast<Sample*>(sample));
  freed_.notify_all();
  return S_OK;
}

namespace {

class NullData final : public IMediaSample {
 public:
  explicit NullData(IMediaSample* inner) : inner_(inner) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    return AnswerQuery<IMediaSample>(this, IID_IMediaSample, riid, ppv);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&refs_); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }
  HRESULT STDMETHODCALLTYPE GetPointer(BYTE** data) override {
    if (data == nullptr) return E_POINTER;
    *data = nullptr;
    return S_OK;
  }
  // clang-format off
  long STDMETHODCALLTYPE GetSize() override { return inner_->GetSize(); }
  HRESULT STDMETHODCALLTYPE GetTime(REFERENCE_TIME* a, REFERENCE_TIME* b) override { return inner_->GetTime(a, b); }
  HRESULT STDMETHODCALLTYPE SetTime(REFERENCE_TIME* a, REFERENCE_TIME* b) override { return inner_->SetTime(a, b); }
  HRESULT STDMETHODCALLTYPE IsSyncPoint() override { return inner_->IsSyncPoint(); }
  HRESULT STDMETHODCALLTYPE SetSyncPoint(BOOL on) override { return inner_->SetSyncPoint(on); }
  HRESULT STDMETHODCALLTYPE IsPreroll() override { return inner_->IsPreroll(); }
  HRESULT STDMETHODCALLTYPE SetPreroll(BOOL on) override { return inner_->SetPreroll(on); }
  long STDMETHODCALLTYPE GetActualDataLength() override { return inner_->GetActualDataLength(); }
  HRESULT STDMETHODCALLTYPE SetActualDataLength(long n) override { return inner_->SetActualDataLength(n); }
  HRESULT STDMETHODCALLTYPE GetMediaType(AM_MEDIA_TYPE** t) override { return inner_->GetMediaType(t); }
  HRESULT STDMETHODCALLTYPE SetMediaType(AM_MEDIA_TYPE* t) override { return inner_->SetMediaType(t); }
  HRESULT STDMETHODCALLTYPE IsDiscontinuity() override { return inner_->IsDiscontinuity(); }
  HRESULT STDMETHODCALLTYPE SetDiscontinuity(BOOL on) override { return inner_->SetDiscontinuity(on); }
  HRESULT STDMETHODCALLTYPE GetMediaTime(LONGLONG* a, LONGLONG* b) override { return inner_->GetMediaTime(a, b); }
  HRESULT STDMETHODCALLTYPE SetMediaTime(LONGLONG* a, LONGLONG* b) override { return inner_->SetMediaTime(a, b); }
  // clang-format on

 private:
  host::ComPtr<IMediaSample> inner_;
  LONG refs_ = 0;
};

}  // namespace

host::ComPtr<IMediaSample> NullDataSample(IMediaSample* inner) {
  return host::ComPtr<IMediaSample>(new NullData(inner));
}

HRESULT STDMETHODCALLTYPE LazyReconnectGraph::QueryInterface(REFIID riid, void** ppv) {
  return AnswerQuery<IFilterGraph>(this, IID_IFilterGraph, riid, ppv);
}

void RunWithin(std::chrono::milliseconds limit, const char* what,
               const std::function<void()>& work) {
  std::packaged_task<void()> task(work);
  std::future<void> done = task.get_future();
  std::thread runner(std::move(task));
  if (done.wait_for(limit) == std::future_status::ready) {
    runner.join();
    done.get();
    return;
  }
  std::fprintf(stderr, "HANG: %s did not finish within %lld ms\n", what,
               static_cast<long long>(limit.count()));
  std::fflush(stderr);
  TerminateProcess(GetCurrentProcess(), 3);
}

}  // namespace orkv::test
