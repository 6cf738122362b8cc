#include "monitor/AttemptSpool.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <type_traits>
#include <utility>

namespace {

// Appends are written once this many bytes are pending, and reads go in
// blocks of this size.
constexpr std::size_t BlockSize = std::size_t{64} * 1024;

// A record: its length after this field, the session's number, the attempt's
// numbers, then its two texts, each after its length. Native byte order: the
// file lives and dies with the process that wrote it.
template <class TValue>
void Put(std::string& AOut, TValue AValue) {
  static_assert(std::is_trivially_copyable_v<TValue>);
  AOut.append(reinterpret_cast<const char*>(&AValue), sizeof AValue);
}

void PutText(std::string& AOut, const std::string& AText) {
  Put(AOut, static_cast<std::uint32_t>(AText.size()));
  AOut += AText;
}

// Reads a record's fields in turn; false once one would run past its end.
class TRecordReader {
 public:
  explicit TRecordReader(std::string_view ABytes) : FBytes(ABytes) {}

  template <class TValue>
  bool Get(TValue& AValue) {
    if (FBytes.size() < sizeof AValue) return false;
    std::memcpy(&AValue, FBytes.data(), sizeof AValue);
    FBytes.remove_prefix(sizeof AValue);
    return true;
  }
  bool GetText(std::string& AText) {
    std::uint32_t Length = 0;
    if (!Get(Length) || FBytes.size() < Length) return false;
    AText.assign(FBytes.substr(0, Length));
    FBytes.remove_prefix(Length);
    return true;
  }

 private:
  std::string_view FBytes;
};

bool ReadAttempt(TRecordReader& Reader, TAttempt& AAttempt) {
  return Reader.Get(AAttempt.Sent.UnixUs) && Reader.Get(AAttempt.Sent.UtcOffset) &&
         Reader.Get(AAttempt.Outcome) && Reader.Get(AAttempt.Bytes) && Reader.Get(AAttempt.Type) &&
         Reader.Get(AAttempt.Sequence) && Reader.Get(AAttempt.Ttl) &&
         Reader.Get(AAttempt.RoundTripUs) && Reader.GetText(AAttempt.Address) &&
         Reader.GetText(AAttempt.Message);
}

}  // namespace

std::string TemporaryFolder() {
  const char* const Folder = std::getenv("TMPDIR");
  return Folder != nullptr && *Folder != '\0' ? Folder : "/tmp";
}

TAttemptSpool::TAttemptSpool(std::string AFolder)
    : FFolder(std::move(AFolder)),
      FDescriptor(open(FFolder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600)) {
  if (FDescriptor < 0) Raise("open", errno);
}

TAttemptSpool::~TAttemptSpool() { close(FDescriptor); }

void TAttemptSpool::Raise(const char* ACall, int AError) const {
  throw EAttemptSpoolError(Format("Cannot keep the session's attempts in %s (%s: %s)",
                                  {FFolder, ACall, std::strerror(AError)}));
}

void TAttemptSpool::Append(std::uint64_t ASession, const TAttempt& AAttempt) {
  std::string Body;
  Put(Body, ASession);
  Put(Body, AAttempt.Sent.UnixUs);
  Put(Body, AAttempt.Sent.UtcOffset);
  Put(Body, AAttempt.Outcome);
  Put(Body, AAttempt.Bytes);
  Put(Body, AAttempt.Type);
  Put(Body, AAttempt.Sequence);
  Put(Body, AAttempt.Ttl);
  Put(Body, AAttempt.RoundTripUs);
  PutText(Body, AAttempt.Address);
  PutText(Body, AAttempt.Message);
  Put(FPending, static_cast<std::uint32_t>(Body.size()));
  FPending += Body;
  if (FPending.size() >= BlockSize) Flush();
}

void TAttemptSpool::Flush() {
  std::string_view Rest = FPending;
  while (!Rest.empty()) {
    const ssize_t Done = pwrite(FDescriptor, Rest.data(), Rest.size(),
                                static_cast<off_t>(FWritten + (FPending.size() - Rest.size())));
    if (Done < 0 && errno == EINTR) continue;
    if (Done <= 0) {
      // The records that did not fit are dropped whole, so the file never
      // holds a record cut short.
      const int Error = Done < 0 ? errno : ENOSPC;
      FPending.clear();
      Raise("write", Error);
    }
    Rest.remove_prefix(static_cast<std::size_t>(Done));
  }
  FWritten += FPending.size();
  FPending.clear();
}

void TAttemptSpool::Visit(std::uint64_t ASession, std::uint64_t AFrom,
                          const std::function<void(const TAttempt&)>& AVisit) {
  Flush();
  std::string Block;
  std::size_t Want = BlockSize;
  TAttempt Attempt;
  for (std::uint64_t At = AFrom; At < FWritten;) {
    Block.resize(static_cast<std::size_t>(std::min<std::uint64_t>(Want, FWritten - At)));
    ReadAt(Block, At);
    std::string_view Rest = Block;
    std::uint32_t Length = 0;
    while (Rest.size() >= sizeof Length) {
      std::memcpy(&Length, Rest.data(), sizeof Length);
      if (Rest.size() - sizeof Length < Length) break;
      std::uint64_t Session = 0;
      TRecordReader Reader(Rest.substr(sizeof Length, Length));
      if (!Reader.Get(Session)) Raise("read", EILSEQ);
      if (Session == ASession) {
        if (!ReadAttempt(Reader, Attempt)) Raise("read", EILSEQ);
        AVisit(Attempt);
      }
      Rest.remove_prefix(sizeof Length + Length);
    }
    const std::size_t Taken = Block.size() - Rest.size();
    // A record longer than a block is read again with room for it whole.
    if (Taken == 0 && (Rest.size() < sizeof Length || sizeof Length + Length <= Want))
      Raise("read", EILSEQ);
    Want = Taken == 0 ? sizeof Length + Length : BlockSize;
    At += Taken;
  }
}

void TAttemptSpool::ReadAt(std::string& ABlock, std::uint64_t AAt) const {
  std::size_t Done = 0;
  while (Done < ABlock.size()) {
    const ssize_t Read = pread(FDescriptor, ABlock.data() + Done, ABlock.size() - Done,
                               static_cast<off_t>(AAt + Done));
    if (Read < 0 && errno == EINTR) continue;
    if (Read <= 0) Raise("read", Read < 0 ? errno : EIO);
    Done += static_cast<std::size_t>(Read);
  }
}

void TAttemptSpool::Clear() {
  FPending.clear();
  FWritten = 0;
  if (ftruncate(FDescriptor, 0) != 0) Raise("ftruncate", errno);
}
