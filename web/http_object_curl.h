// POSIX only: the owning types of the libcurl resources behind the HTTP
// request object, and the switch for sharing connections between objects.
#pragma once

#include <curl/curl.h>

#include <string_view>
#include <utility>

namespace skinwall::curl {

// Owns one libcurl resource and frees it with Free. Copying is not possible;
// moving leaves the source empty.
template <class T, void (*Free)(T*)>
class Owner {
 public:
  Owner() = default;
  // Adopts a resource nobody else frees.
  explicit Owner(T* adopted) : p_(adopted) {}
  Owner(const Owner&) = delete;
  Owner& operator=(const Owner&) = delete;
  Owner(Owner&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  Owner& operator=(Owner&& other) noexcept {
    if (this != &other) Reset(std::exchange(other.p_, nullptr));
    return *this;
  }
  ~Owner() { Reset(); }

  // Frees what is held and adopts replacement.
  void Reset(T* replacement = nullptr) {
    if (p_ != nullptr) Free(p_);
    p_ = replacement;
  }
  T* get() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }

 private:
  T* p_ = nullptr;
};

inline void FreeShare(CURLSH* share) { curl_share_cleanup(share); }

using EasyHandle = Owner<CURL, &curl_easy_cleanup>;
using ShareHandle = Owner<CURLSH, &FreeShare>;

// A header list for CURLOPT_HTTPHEADER and CURLOPT_PROXYHEADER.
class HeaderList {
 public:
  // False (and the list unchanged) when libcurl cannot take the line.
  bool Append(std::string_view line);
  // Null while the list is empty.
  curl_slist* get() const { return list_.get(); }

 private:
  Owner<curl_slist, &curl_slist_free_all> list_;
};

// Whether the objects of the process share one pool of connections and one
// DNS cache (the normal case). Off, each object keeps its own, so every new
// object connects anew: for measuring what sharing brings.
void SetConnectionSharing(bool on);

}  // namespace skinwall::curl
