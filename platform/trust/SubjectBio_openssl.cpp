#include "platform/trust/SubjectBio_openssl.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace platform::trust {

namespace {

struct BioState {
  SubjectSource* source = nullptr;
  std::span<const uint8_t> piece;
};

int ReadSubject(BIO* bio, char* out, int size) {
  BIO_clear_retry_flags(bio);
  auto* state = static_cast<BioState*>(BIO_get_data(bio));
  if (state == nullptr || out == nullptr || size <= 0) return 0;
  if (state->piece.empty()) state->piece = state->source->NextPiece();
  // An empty piece is the end of the ranges or a failed read; the caller
  // tells them apart by the source's error.
  if (state->piece.empty()) return 0;
  const size_t length = std::min(state->piece.size(), static_cast<size_t>(size));
  std::memcpy(out, state->piece.data(), length);
  state->piece = state->piece.subspan(length);
  return static_cast<int>(length);
}

long ControlSubject(BIO*, int command, long, void*) { return command == BIO_CTRL_FLUSH ? 1 : 0; }

int FreeSubject(BIO* bio) {
  delete static_cast<BioState*>(BIO_get_data(bio));
  BIO_set_data(bio, nullptr);
  return 1;
}

const BIO_METHOD* SubjectMethod() {
  static BIO_METHOD* method = [] {
    BIO_METHOD* m = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "authenticode subject");
    if (m != nullptr) {
      BIO_meth_set_read(m, ReadSubject);
      BIO_meth_set_ctrl(m, ControlSubject);
      BIO_meth_set_destroy(m, FreeSubject);
    }
    return m;
  }();
  return method;
}

}  // namespace

BIO* NewSubjectBio(SubjectSource& source) {
  const BIO_METHOD* method = SubjectMethod();
  if (method == nullptr) return nullptr;
  BIO* bio = BIO_new(method);
  if (bio == nullptr) return nullptr;
  auto* state = new (std::nothrow) BioState{&source, {}};
  if (state == nullptr) {
    BIO_free(bio);
    return nullptr;
  }
  BIO_set_data(bio, state);
  BIO_set_init(bio, 1);
  return bio;
}

}  // namespace platform::trust
