#include "outputs/AttemptLog.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "outputs/AttemptFormat.h"

namespace {

TAttempt Attempt(std::uint16_t ASequence) {
  TAttempt Result;
  Result.Sent = {1'773'000'000'000'000 + ASequence * 1'000'000LL, 3600};
  Result.Address = "127.0.0.1";
  Result.Sequence = ASequence;
  Result.Ttl = 64;
  Result.RoundTripUs = 40 + ASequence % 7;
  return Result;
}

std::vector<std::string> Lines(const std::string& AFileName) {
  std::ifstream File(AFileName, std::ios::binary);
  const std::string Text{std::istreambuf_iterator<char>(File), {}};
  std::vector<std::string> Result;
  std::size_t Start = 0;
  for (std::size_t End; (End = Text.find('\n', Start)) != std::string::npos; Start = End + 1)
    Result.push_back(Text.substr(Start, End - Start + 1));
  if (Start < Text.size()) Result.push_back(Text.substr(Start));  // an unfinished line
  return Result;
}

struct AttemptLogTest : testing::Test {
  QTemporaryDir Folder;
  const std::string FileName = Folder.filePath("run.jsonl").toStdString();
};

}  // namespace

TEST_F(AttemptLogTest, AppendsOneJsonLinePerAttemptToWhatTheFileHeld) {
  { std::ofstream(FileName) << "earlier run\n"; }
  TAttemptLog Log(FileName);
  Log.Append(Attempt(1), "localhost");
  Log.Append(Attempt(2), "localhost");
  const std::vector<std::string> Written = Lines(FileName);
  ASSERT_EQ(Written.size(), 3u);
  EXPECT_EQ(Written[0], "earlier run\n");
  EXPECT_EQ(Written[1], JsonLine(Attempt(1), "localhost"));
  EXPECT_EQ(Written[2], JsonLine(Attempt(2), "localhost"));
}

TEST_F(AttemptLogTest, RefusesAFileItCannotOpenNamingItAndTheCall) {
  const std::string Missing = Folder.filePath("no/such/folder.jsonl").toStdString();
  try {
    TAttemptLog Log(Missing);
    FAIL() << "opened";
  } catch (const EAttemptLogError& E) {
    EXPECT_EQ(E.Message(),
              "Cannot write to the log file " + Missing + " (open: No such file or directory)");
  }
}

TEST_F(AttemptLogTest, ReportsAWriteThatFails) {
  if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
  TAttemptLog Log("/dev/full");
  try {
    Log.Append(Attempt(1), "h");
    FAIL() << "written";
  } catch (const EAttemptLogError& E) {
    EXPECT_EQ(E.Message(),
              "Cannot write to the log file /dev/full (write: No space left on device)");
  }
}

TEST_F(AttemptLogTest, AKilledWriterLeavesEveryFinishedLineIntact) {
  int Finished[2];
  ASSERT_EQ(pipe(Finished), 0);
  const pid_t Writer = fork();
  ASSERT_GE(Writer, 0);
  if (Writer == 0) {
    // Writes until killed, telling the test of every line that is done; the
    // host makes each line long, so the kill may come in the middle of one.
    close(Finished[0]);
    TAttemptLog Log(FileName);
    const std::string Host(3000, 'h');
    for (std::uint32_t Count = 1; Count < 10'000'000; ++Count) {
      Log.Append(Attempt(static_cast<std::uint16_t>(Count)), Host);
      if (write(Finished[1], &Count, sizeof Count) != sizeof Count) _exit(1);
    }
    _exit(0);
  }
  close(Finished[1]);
  std::uint32_t Confirmed = 0;
  while (Confirmed < 2000 && read(Finished[0], &Confirmed, sizeof Confirmed) == sizeof Confirmed) {
  }
  ASSERT_EQ(kill(Writer, SIGKILL), 0);
  int Status = 0;
  ASSERT_EQ(waitpid(Writer, &Status, 0), Writer);
  EXPECT_TRUE(WIFSIGNALED(Status) && WTERMSIG(Status) == SIGKILL);
  // What the pipe still holds was finished too.
  for (std::uint32_t Count; read(Finished[0], &Count, sizeof Count) == sizeof Count;)
    Confirmed = Count;
  close(Finished[0]);

  const std::vector<std::string> Written = Lines(FileName);
  ASSERT_GE(Written.size(), Confirmed);
  for (std::size_t Index = 0; Index < Written.size(); ++Index) {
    ASSERT_EQ(Written[Index].back(), '\n') << "line " << Index + 1 << " is cut";
    QJsonParseError Error{};
    const QJsonObject Line =
        QJsonDocument::fromJson(QByteArray::fromStdString(Written[Index]), &Error).object();
    ASSERT_EQ(Error.error, QJsonParseError::NoError) << "line " << Index + 1;
    EXPECT_EQ(Line.value("sequence").toInteger(), static_cast<qint64>((Index + 1) % 65536));
  }
}

TEST_F(AttemptLogTest, AFifoWithoutAReaderIsRefusedAtOnceAndAReaderThatGoesFailsALineOnly) {
  ASSERT_EQ(mkfifo(FileName.c_str(), 0600), 0);
  alarm(20);  // an open that waits for a reader ends the test rather than hanging it
  const std::string Refused = "Cannot write to the log file " + FileName;
  try {
    TAttemptLog Log(FileName);
    ADD_FAILURE() << "opened";
  } catch (const EAttemptLogError& E) {
    EXPECT_EQ(E.Message(), Refused + " (open: no program reads from the pipe)");
  }
  const int Reader = open(FileName.c_str(), O_RDONLY | O_NONBLOCK);
  TAttemptLog Log(FileName);
  Log.Append(Attempt(1), "h");
  close(Reader);
  try {
    Log.Append(Attempt(2), "h");
    ADD_FAILURE() << "written";
  } catch (const EAttemptLogError& E) {
    EXPECT_EQ(E.Message(), Refused + " (write: Broken pipe)");
  }
  alarm(0);
}

TEST_F(AttemptLogTest, EveryChangeOfAHostsHealthIsALineAfterItsAttempt) {
  TMonitor Monitor(nullptr, Folder.path().toStdString());
  TAttemptLog Log(FileName);
  Monitor.Subscribe(&Log);
  // Up at the start, down after three losses, up again after two answers.
  std::uint16_t Sequence = 0;
  for (const TOutcome Outcome :
       {TOutcome::Reply, TOutcome::Reply, TOutcome::TimeOut, TOutcome::TimeOut, TOutcome::TimeOut,
        TOutcome::Reply, TOutcome::Reply}) {
    TAttempt A = Attempt(++Sequence);
    A.Outcome = Outcome;
    Monitor.Record("gateway", A);
  }
  const std::vector<std::string> Written = Lines(FileName);
  ASSERT_EQ(Written.size(), 10U);
  EXPECT_NE(Written[2].find("\"event\":\"first-up\",\"state\":\"up\",\"previous\":\"unknown\""),
            std::string::npos)
      << Written[2];
  EXPECT_EQ(Written[6], "{\"time\":\"" + IsoTimeStamp(Attempt(5).Sent) +
                            "\",\"host\":\"gateway\",\"event\":\"down\",\"state\":\"down\","
                            "\"previous\":\"up\",\"slow\":false}\n");
  EXPECT_NE(Written[9].find("\"event\":\"up\",\"state\":\"up\",\"previous\":\"down\""),
            std::string::npos)
      << Written[9];
}
