#include "tools/render/pooled_allocator.h"

#include <vfwmsgs.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <new>
#include <vector>

#include "host/media_type.h"
#include "tools/render/slim_lock.h"

namespace orkv::render {
namespace {

class PooledAllocator;

// A sample's properties, as IMediaSample reports and sets them.
class PooledSample final : public IMediaSample {
 public:
  PooledSample(PooledAllocator* owner, BYTE* data, long size)
      : owner_(owner), data_(data), size_(size) {}
  ~PooledSample() { ClearMediaType(); }
  PooledSample(const PooledSample&) = delete;
  PooledSample& operator=(const PooledSample&) = delete;

  // Handed out: one reference, nothing set.
  void Reset() {
    references_ = 1;
    actual_ = 0;
    timeFlags_ = 0;
    mediaTimeSet_ = false;
    syncPoint_ = preroll_ = discontinuity_ = false;
    ClearMediaType();
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (ppv == nullptr) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IMediaSample) {
      *ppv = static_cast<IMediaSample*>(this);
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override;

  HRESULT STDMETHODCALLTYPE GetPointer(BYTE** buffer) override {
    if (buffer == nullptr) return E_POINTER;
    *buffer = data_;
    return S_OK;
  }
  long STDMETHODCALLTYPE GetSize() override { return size_; }

  HRESULT STDMETHODCALLTYPE GetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) override {
    if (start == nullptr || stop == nullptr) return E_POINTER;
    if ((timeFlags_ & kStartSet) == 0) return VFW_E_SAMPLE_TIME_NOT_SET;
    *start = start_;
    if ((timeFlags_ & kStopSet) == 0) {
      *stop = start_ + 1;
      return VFW_S_NO_STOP_TIME;
    }
    *stop = stop_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) override {
    timeFlags_ = 0;
    if (start != nullptr) {
      start_ = *start;
      timeFlags_ |= kStartSet;
      if (stop != nullptr) {
        stop_ = *stop;
        timeFlags_ |= kStopSet;
      }
    }
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE IsSyncPoint() override { return syncPoint_ ? S_OK : S_FALSE; }
  HRESULT STDMETHODCALLTYPE SetSyncPoint(BOOL value) override {
    syncPoint_ = value != FALSE;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE IsPreroll() override { return preroll_ ? S_OK : S_FALSE; }
  HRESULT STDMETHODCALLTYPE SetPreroll(BOOL value) override {
    preroll_ = value != FALSE;
    return S_OK;
  }
  long STDMETHODCALLTYPE GetActualDataLength() override { return actual_; }
  HRESULT STDMETHODCALLTYPE SetActualDataLength(long length) override {
    if (length < 0 || length > size_) return VFW_E_BUFFER_OVERFLOW;
    actual_ = length;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE GetMediaType(AM_MEDIA_TYPE** type) override {
    if (type == nullptr) return E_POINTER;
    *type = nullptr;
    if (mediaType_ == nullptr) return S_FALSE;
    *type = host::CreateMediaTypeCopy(*mediaType_);
    return *type != nullptr ? S_OK : E_OUTOFMEMORY;
  }
  HRESULT STDMETHODCALLTYPE SetMediaType(AM_MEDIA_TYPE* type) override {
    ClearMediaType();
    if (type == nullptr) return S_OK;
    mediaType_ = host::CreateMediaTypeCopy(*type);
    return mediaType_ != nullptr ? S_OK : E_OUTOFMEMORY;
  }

  HRESULT STDMETHODCALLTYPE IsDiscontinuity() override { return discontinuity_ ? S_OK : S_FALSE; }
  HRESULT STDMETHODCALLTYPE SetDiscontinuity(BOOL value) override {
    discontinuity_ = value != FALSE;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE GetMediaTime(LONGLONG* start, LONGLONG* stop) override {
    if (start == nullptr || stop == nullptr) return E_POINTER;
    if (!mediaTimeSet_) return VFW_E_MEDIA_TIME_NOT_SET;
    *start = mediaStart_;
    *stop = mediaStop_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetMediaTime(LONGLONG* start, LONGLONG* stop) override {
    if (start == nullptr || stop == nullptr) {
      mediaTimeSet_ = false;
      return S_OK;
    }
    mediaStart_ = *start;
    mediaStop_ = *stop;
    mediaTimeSet_ = true;
    return S_OK;
  }

 private:
  static constexpr unsigned kStartSet = 1;
  static constexpr unsigned kStopSet = 2;

  void ClearMediaType() {
    if (mediaType_ != nullptr) host::DeleteMediaType(mediaType_);
    mediaType_ = nullptr;
  }

  PooledAllocator* const owner_;
  BYTE* const data_;
  const long size_;
  std::atomic<ULONG> references_{0};
  // The rest belongs to whoever holds the sample, one thread at a time.
  long actual_ = 0;
  unsigned timeFlags_ = 0;
  REFERENCE_TIME start_ = 0;
  REFERENCE_TIME stop_ = 0;
  bool mediaTimeSet_ = false;
  LONGLONG mediaStart_ = 0;
  LONGLONG mediaStop_ = 0;
  bool syncPoint_ = false;
  bool preroll_ = false;
  bool discontinuity_ = false;
  AM_MEDIA_TYPE* mediaType_ = nullptr;
};

class PooledAllocator final : public IMemAllocator {
 public:
  PooledAllocator() = default;
  PooledAllocator(const PooledAllocator&) = delete;
  PooledAllocator& operator=(const PooledAllocator&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (ppv == nullptr) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IMemAllocator) {
      *ppv = static_cast<IMemAllocator*>(this);
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

  HRESULT STDMETHODCALLTYPE SetProperties(ALLOCATOR_PROPERTIES* request,
                                          ALLOCATOR_PROPERTIES* actual) override {
    if (request == nullptr || actual == nullptr) return E_POINTER;
    const long align = request->cbAlign;
    if (request->cBuffers <= 0 || request->cbBuffer <= 0 || request->cbPrefix < 0 || align <= 0 ||
        (align & (align - 1)) != 0) {
      return E_INVALIDARG;
    }
    ExclusiveLock lock(lock_);
    if (committed_) return VFW_E_ALREADY_COMMITTED;
    if (outstanding_ > 0) return VFW_E_BUFFERS_OUTSTANDING;
    properties_ = *request;
    *actual = properties_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetProperties(ALLOCATOR_PROPERTIES* props) override {
    if (props == nullptr) return E_POINTER;
    ExclusiveLock lock(lock_);
    *props = properties_;
    return S_OK;
  }

  // Reserves the samples the properties ask for (again only when they changed).
  HRESULT STDMETHODCALLTYPE Commit() override {
    ExclusiveLock lock(lock_);
    if (committed_) return S_OK;
    if (properties_.cBuffers <= 0) return VFW_E_SIZENOTSET;
    if (outstanding_ == 0 && !Matches(properties_)) {
      if (!Reserve()) return E_OUTOFMEMORY;
    }
    committed_ = true;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Decommit() override {
    {
      ExclusiveLock lock(lock_);
      committed_ = false;
    }
    WakeAllConditionVariable(&changed_);
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE GetBuffer(IMediaSample** sample, REFERENCE_TIME*, REFERENCE_TIME*,
                                      DWORD flags) override {
    if (sample == nullptr) return E_POINTER;
    *sample = nullptr;
    PooledSample* taken = nullptr;
    {
      ExclusiveLock lock(lock_);
      for (;;) {
        if (!committed_) return VFW_E_NOT_COMMITTED;
        if (!free_.empty()) break;
        if ((flags & AM_GBF_NOWAIT) != 0) return VFW_E_TIMEOUT;
        SleepConditionVariableSRW(&changed_, &lock_, INFINITE, 0);
      }
      taken = free_.back();
      free_.pop_back();
      ++outstanding_;
    }
    AddRef();  // each sample out keeps its allocator
    taken->Reset();
    *sample = taken;
    return S_OK;
  }

  // A sample whose last reference went. Samples only come back through here.
  HRESULT STDMETHODCALLTYPE ReleaseBuffer(IMediaSample* sample) override {
    if (sample == nullptr) return E_POINTER;
    {
      ExclusiveLock lock(lock_);
      free_.push_back(static_cast<PooledSample*>(sample));
      --outstanding_;
    }
    WakeAllConditionVariable(&changed_);
    Release();
    return S_OK;
  }

 private:
  ~PooledAllocator() = default;

  // Lock held.
  bool Matches(const ALLOCATOR_PROPERTIES& wanted) const {
    return samples_.size() == static_cast<std::size_t>(wanted.cBuffers) &&
           reserved_.cbBuffer == wanted.cbBuffer && reserved_.cbPrefix == wanted.cbPrefix &&
           reserved_.cbAlign == wanted.cbAlign;
  }

  // Lock held, no sample out: one block for all samples, each sample's data
  // aligned as asked after its prefix.
  bool Reserve() {
    const std::size_t align = static_cast<std::size_t>(properties_.cbAlign);
    const std::size_t prefix = static_cast<std::size_t>(properties_.cbPrefix);
    const std::size_t stride =
        (prefix + static_cast<std::size_t>(properties_.cbBuffer) + align - 1) / align * align;
    const auto count = static_cast<std::size_t>(properties_.cBuffers);
    free_.clear();
    samples_.clear();
    try {
      memory_.assign(stride * count + prefix + align, 0);
      BYTE* first = memory_.data() + prefix;
      first += (align - reinterpret_cast<std::uintptr_t>(first) % align) % align;
      samples_.reserve(count);
      free_.reserve(count);
      for (std::size_t i = 0; i < count; ++i) {
        samples_.push_back(
            std::make_unique<PooledSample>(this, first + i * stride, properties_.cbBuffer));
        free_.push_back(samples_.back().get());
      }
    } catch (const std::bad_alloc&) {
      free_.clear();
      samples_.clear();
      memory_.clear();
      reserved_ = {};
      return false;
    }
    reserved_ = properties_;
    return true;
  }

  std::atomic<ULONG> references_{1};
  // lock_ guards every member below it; changed_ is signalled when a sample
  // comes back or the allocator is decommitted.
  SRWLOCK lock_ = SRWLOCK_INIT;
  CONDITION_VARIABLE changed_ = CONDITION_VARIABLE_INIT;
  ALLOCATOR_PROPERTIES properties_{};
  ALLOCATOR_PROPERTIES reserved_{};  // what samples_ were made for
  bool committed_ = false;
  long outstanding_ = 0;
  std::vector<BYTE> memory_;
  std::vector<std::unique_ptr<PooledSample>> samples_;
  std::vector<PooledSample*> free_;
};

ULONG STDMETHODCALLTYPE PooledSample::Release() {
  const ULONG left = --references_;
  if (left == 0) owner_->ReleaseBuffer(this);
  return left;
}

}  // namespace

host::ComPtr<IMemAllocator> CreatePooledAllocator() {
  host::ComPtr<IMemAllocator> allocator;
  allocator.Attach(new (std::nothrow) PooledAllocator);
  return allocator;
}

}  // namespace orkv::render
