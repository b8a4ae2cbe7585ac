// Adds a DER certificate to the CurrentUser Root store of the Wine prefix, or removes it again, so
// that the HTTPS tests can trust their own test CA without touching the host's trust store.
// Usage: cert_store_tool add|remove CERTIFICATE.der
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "support/win32_handles.h"

namespace pubg {
namespace {

constexpr int kSuccess = 0;
constexpr int kFailure = 1;
constexpr int kUsageError = 2;
constexpr DWORD kEncoding = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;

struct CertStoreTraits {
  using Handle = HCERTSTORE;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { ::CertCloseStore(h, 0); }
};
using UniqueCertStore = UniqueResource<CertStoreTraits>;

struct CertContextTraits {
  using Handle = PCCERT_CONTEXT;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { ::CertFreeCertificateContext(h); }
};
using UniqueCertContext = UniqueResource<CertContextTraits>;

int Add(HCERTSTORE store, const std::vector<BYTE>& der) {
  if (!::CertAddEncodedCertificateToStore(store, kEncoding, der.data(), static_cast<DWORD>(der.size()),
                                          CERT_STORE_ADD_REPLACE_EXISTING, nullptr)) {
    std::fprintf(stderr, "cert_store_tool: adding failed, error %lu\n", ::GetLastError());
    return kFailure;
  }
  return kSuccess;
}

int Remove(HCERTSTORE store, const std::vector<BYTE>& der) {
  UniqueCertContext wanted(::CertCreateCertificateContext(kEncoding, der.data(), static_cast<DWORD>(der.size())));
  if (!wanted) {
    std::fprintf(stderr, "cert_store_tool: not a DER certificate\n");
    return kFailure;
  }
  // Every copy goes; none at all is fine too.
  for (;;) {
    PCCERT_CONTEXT found = ::CertFindCertificateInStore(store, kEncoding, 0, CERT_FIND_EXISTING, wanted.get(), nullptr);
    if (!found) return kSuccess;
    if (!::CertDeleteCertificateFromStore(found)) {  // frees `found` in every case
      std::fprintf(stderr, "cert_store_tool: removing failed, error %lu\n", ::GetLastError());
      return kFailure;
    }
  }
}

int Run(int argc, char** argv) {
  if (argc != 3 || (std::strcmp(argv[1], "add") != 0 && std::strcmp(argv[1], "remove") != 0)) {
    std::fprintf(stderr, "usage: cert_store_tool add|remove CERTIFICATE.der\n");
    return kUsageError;
  }
  std::ifstream file(argv[2], std::ios::binary);
  const std::vector<BYTE> der{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  if (der.empty()) {
    std::fprintf(stderr, "cert_store_tool: cannot read %s\n", argv[2]);
    return kFailure;
  }
  // The registry-backed store itself: under Wine the plain system store merges the host's roots into
  // a copy, and a deletion there never reaches the registry.
  UniqueCertStore store(
      ::CertOpenStore(CERT_STORE_PROV_SYSTEM_REGISTRY_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"Root"));
  if (!store) {
    std::fprintf(stderr, "cert_store_tool: cannot open the CurrentUser Root store, error %lu\n", ::GetLastError());
    return kFailure;
  }
  return std::strcmp(argv[1], "add") == 0 ? Add(store.get(), der) : Remove(store.get(), der);
}

}  // namespace
}  // namespace pubg

int main(int argc, char** argv) { return pubg::Run(argc, argv); }
