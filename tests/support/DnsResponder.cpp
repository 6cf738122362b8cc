#include "support/DnsResponder.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <stdexcept>
#include <system_error>
#include <utility>

namespace quorvel::test {
namespace {

constexpr std::size_t kHeaderSize = 12;
constexpr std::uint16_t kTypeA = 1;
constexpr std::uint16_t kTypePtr = 12;
constexpr std::uint16_t kClassIn = 1;
constexpr std::uint16_t kNxDomain = 3;
constexpr int kPollMilliseconds = 50;

std::uint16_t Read16(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint16_t>(bytes[at] << 8 | bytes[at + 1]);
}

void Append16(std::vector<std::uint8_t>& out, std::uint16_t value) {
  out.push_back(static_cast<std::uint8_t>(value >> 8));
  out.push_back(static_cast<std::uint8_t>(value));
}

std::string Normalised(std::string name) {
  if (!name.empty() && name.back() == '.') name.pop_back();
  std::transform(name.begin(), name.end(), name.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return name;
}

struct Question {
  std::string name;
  std::uint16_t type;
  std::size_t end;  // offset just past the question
};

// Reads the single question of a standard query; every read is checked
// against the received length. Compressed names never occur in a question.
std::optional<Question> ParseQuestion(std::span<const std::uint8_t> query) {
  if (query.size() < kHeaderSize) return std::nullopt;
  const std::uint16_t flags = Read16(query, 2);
  const bool isResponse = (flags & 0x8000) != 0;
  const int opcode = (flags >> 11) & 0xF;
  if (isResponse || opcode != 0 || Read16(query, 4) != 1) return std::nullopt;

  Question question{"", 0, kHeaderSize};
  std::size_t& at = question.end;
  while (true) {
    if (at >= query.size()) return std::nullopt;
    const std::uint8_t length = query[at++];
    if (length == 0) break;
    if ((length & 0xC0) != 0 || length > query.size() - at) return std::nullopt;
    if (!question.name.empty()) question.name += '.';
    question.name.append(reinterpret_cast<const char*>(&query[at]), length);
    at += length;
    if (question.name.size() > 253) return std::nullopt;
  }
  if (query.size() - at < 4) return std::nullopt;
  question.type = Read16(query, at);
  at += 4;  // type and class
  question.name = Normalised(question.name);
  return question;
}

// A name as DNS labels, ended by the root's empty label.
void AppendName(std::vector<std::uint8_t>& out, const std::string& name) {
  std::size_t start = 0;
  while (start < name.size()) {
    const std::size_t end = std::min(name.find('.', start), name.size());
    out.push_back(static_cast<std::uint8_t>(end - start));
    out.insert(out.end(), name.begin() + static_cast<std::ptrdiff_t>(start),
               name.begin() + static_cast<std::ptrdiff_t>(end));
    start = end + 1;
  }
  out.push_back(0);
}

}  // namespace

std::string ReverseName(const std::string& address) {
  std::array<std::uint8_t, 16> bytes{};
  std::string name;
  if (inet_pton(AF_INET, address.c_str(), bytes.data()) == 1) {
    for (int i = 3; i >= 0; --i) name += std::to_string(bytes[static_cast<std::size_t>(i)]) + '.';
    return name + "in-addr.arpa";
  }
  if (inet_pton(AF_INET6, address.c_str(), bytes.data()) != 1)
    throw std::invalid_argument("no IP address: " + address);
  constexpr const char* kDigits = "0123456789abcdef";
  for (auto at = bytes.rbegin(); at != bytes.rend(); ++at)
    name += {kDigits[*at & 0xF], '.', kDigits[*at >> 4], '.'};
  return name + "ip6.arpa";
}

DnsZone::DnsZone(const std::vector<DnsRecord>& records) {
  for (const DnsRecord& record : records) {
    Entry entry{Normalised(record.name), {}, record.pointer};
    for (const std::string& text : record.addresses) {
      std::array<std::uint8_t, 4> address{};
      if (inet_pton(AF_INET, text.c_str(), address.data()) != 1) {
        throw std::invalid_argument("DnsRecord address is no dotted IPv4: " + text);
      }
      entry.addresses.push_back(address);
    }
    entries_.push_back(std::move(entry));
  }
}

std::optional<std::vector<std::uint8_t>> DnsZone::Answer(
    std::span<const std::uint8_t> query) const {
  const std::optional<Question> question = ParseQuestion(query);
  if (!question) return std::nullopt;
  const auto entry = std::find_if(entries_.begin(), entries_.end(),
                                  [&](const Entry& e) { return e.name == question->name; });
  const bool known = entry != entries_.end();
  const bool pointer = known && question->type == kTypePtr && !entry->pointer.empty();
  const std::size_t answers = pointer                             ? 1
                              : known && question->type == kTypeA ? entry->addresses.size()
                                                                  : 0;

  std::vector<std::uint8_t> out;
  Append16(out, Read16(query, 0));  // id
  const std::uint16_t recursionDesired = Read16(query, 2) & 0x0100;
  const std::uint16_t recursionAvailable = 0x0080;
  Append16(out, static_cast<std::uint16_t>(0x8000 | recursionDesired | recursionAvailable |
                                           (known ? 0 : kNxDomain)));
  Append16(out, 1);  // the question, echoed
  Append16(out, static_cast<std::uint16_t>(answers));
  Append16(out, 0);
  Append16(out, 0);
  out.insert(out.end(), query.begin() + kHeaderSize, query.begin() + question->end);
  // Each answer's name points at the question's.
  const auto head = [&out](std::uint16_t type, std::size_t length) {
    for (const std::uint16_t field : {std::uint16_t{0xC000 | kHeaderSize}, type, kClassIn,
                                      std::uint16_t{0}, std::uint16_t{60}})  // 60 s to live
      Append16(out, field);
    Append16(out, static_cast<std::uint16_t>(length));
  };
  if (pointer) {
    std::vector<std::uint8_t> target;
    AppendName(target, entry->pointer);
    head(kTypePtr, target.size());
    out.insert(out.end(), target.begin(), target.end());
  }
  for (std::size_t i = 0; i < answers && !pointer; ++i) {
    head(kTypeA, 4);
    out.insert(out.end(), entry->addresses[i].begin(), entry->addresses[i].end());
  }
  return out;
}

DnsResponder::DnsResponder(const std::vector<DnsRecord>& records, DnsDelay delay)
    : zone_(records), delay_(delay), socket_(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0)) {
  if (!socket_) throw std::system_error(errno, std::generic_category(), "DnsResponder socket");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(53);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::bind(socket_.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    throw std::system_error(errno, std::generic_category(),
                            "DnsResponder bind 127.0.0.1:53 (run inside scripts/netns-run.sh)");
  }
  server_ = std::jthread([this](std::stop_token stop) { Serve(stop); });
}

DnsResponder::~DnsResponder() = default;

void DnsResponder::Serve(std::stop_token stop) {
  while (!stop.stop_requested()) {
    pollfd waiting{socket_.get(), POLLIN, 0};
    if (::poll(&waiting, 1, kPollMilliseconds) <= 0) continue;
    std::uint8_t query[1500];
    sockaddr_in client{};
    socklen_t clientLength = sizeof client;
    const ssize_t received = ::recvfrom(socket_.get(), query, sizeof query, MSG_DONTWAIT,
                                        reinterpret_cast<sockaddr*>(&client), &clientLength);
    if (received <= 0 || delay_.never) continue;
    std::this_thread::sleep_for(delay_.wait);
    const auto answer = zone_.Answer(std::span(query, static_cast<std::size_t>(received)));
    if (!answer) continue;
    ++answered_;  // before the reply, so a client that has it sees the count
    ::sendto(socket_.get(), answer->data(), answer->size(), 0,
             reinterpret_cast<const sockaddr*>(&client), clientLength);
  }
}

}  // namespace quorvel::test
