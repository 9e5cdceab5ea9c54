#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "net/IdComponent.h"

namespace {

// Records every work and status event of a component as one line each.
struct EventLog {
  std::vector<std::string> Lines;

  void Attach(TIdComponent& c) {
    c.OnWorkBegin = [this](TIdComponent&, TWorkMode m, std::int64_t max) {
      Lines.push_back("begin " + Mode(m) + " " + std::to_string(max));
    };
    c.OnWork = [this](TIdComponent&, TWorkMode m, std::int64_t count) {
      Lines.push_back("work " + Mode(m) + " " + std::to_string(count));
    };
    c.OnWorkEnd = [this](TIdComponent&, TWorkMode m) { Lines.push_back("end " + Mode(m)); };
    c.OnStatus = [this](TIdComponent&, TIdStatus, const String& text) { Lines.push_back(ToUtf8(text)); };
  }
  static std::string Mode(TWorkMode m) { return m == TWorkMode::wmRead ? "read" : "write"; }
};

TEST(IdComponentTest, NestedWorkFiresOnlyTheOutermostBeginAndEndAndCountsCumulatively) {
  TIdComponent c;
  EventLog log;
  log.Attach(c);

  c.BeginWork(TWorkMode::wmRead, 100);
  c.DoWork(TWorkMode::wmRead, 10);
  c.BeginWork(TWorkMode::wmRead, 50);  // nested: no second begin, the maximum stays
  c.DoWork(TWorkMode::wmRead, 5);
  c.EndWork(TWorkMode::wmRead);  // inner end: silent
  EXPECT_EQ(c.WorkCountMax(TWorkMode::wmRead), 100);
  c.DoWork(TWorkMode::wmWrite, 7);  // the other direction has no begin: ignored
  c.EndWork(TWorkMode::wmRead);
  c.DoWork(TWorkMode::wmRead, 1);  // after the outermost end: ignored

  const std::vector<std::string> expected{"begin read 100", "work read 10", "work read 15", "end read"};
  EXPECT_EQ(log.Lines, expected);
  EXPECT_EQ(c.WorkLevel(TWorkMode::wmRead), 0);
}

TEST(IdComponentTest, DirectionsAreKeptApartAndABeginRestartsTheCount) {
  TIdComponent c;
  EventLog log;
  log.Attach(c);
  c.BeginWork(TWorkMode::wmWrite, 3);
  c.BeginWork(TWorkMode::wmRead);
  c.DoWork(TWorkMode::wmWrite, 3);
  c.DoWork(TWorkMode::wmRead, 4);
  c.EndWork(TWorkMode::wmWrite);
  c.EndWork(TWorkMode::wmRead);
  c.BeginWork(TWorkMode::wmRead, 9);
  c.DoWork(TWorkMode::wmRead, 2);
  const std::vector<std::string> expected{"begin write 3", "begin read 0", "work write 3", "work read 4",
                                          "end write",     "end read",     "begin read 9", "work read 2"};
  EXPECT_EQ(log.Lines, expected);
}

TEST(IdComponentTest, AnUnbalancedEndDoesNotSilenceTheNextBegin) {
  TIdComponent c;
  EventLog log;
  log.Attach(c);
  c.EndWork(TWorkMode::wmRead);
  c.BeginWork(TWorkMode::wmRead, 1);
  EXPECT_EQ(log.Lines, std::vector<std::string>{"begin read 1"});
}

TEST(IdComponentTest, WorkIsForwardedToTheTargetAndNotCountedOnTheSource) {
  TIdComponent target;
  TIdComponent source;
  EventLog targetLog;
  EventLog sourceLog;
  targetLog.Attach(target);
  sourceLog.Attach(source);
  source.SetWorkTarget(&target);

  target.BeginWork(TWorkMode::wmRead, 20);  // the owner's outer bracket
  source.BeginWork(TWorkMode::wmRead, 8);   // nested through the forward
  source.DoWork(TWorkMode::wmRead, 8);
  source.EndWork(TWorkMode::wmRead);
  target.EndWork(TWorkMode::wmRead);

  EXPECT_TRUE(sourceLog.Lines.empty());
  EXPECT_EQ(source.WorkLevel(TWorkMode::wmRead), 0);
  const std::vector<std::string> expected{"begin read 20", "work read 8", "end read"};
  EXPECT_EQ(targetLog.Lines, expected);
}

TEST(IdComponentTest, AWorkScopeEndsItsWorkOnEveryWayOutAndTheFirstFailureIsReported) {
  struct Case {
    const char* name;
    bool bodyFails;
    bool endFails;  // the OnWorkEnd handler raises
    std::string reported;
  };
  const Case cases[] = {
      {"both succeed", false, false, ""},
      {"the body fails", true, false, "body"},
      {"both fail: the body's failure, never a termination", true, true, "body"},
      {"the end fails after success: its failure propagates", false, true, "end"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TIdComponent component;
    EventLog log;
    log.Attach(component);
    component.OnWorkEnd = [&](TIdComponent&, TWorkMode) {
      log.Lines.push_back("end");
      if (c.endFails) throw std::runtime_error("end");
    };
    std::string reported;
    try {
      const TIdWorkScope work(component, TWorkMode::wmWrite, 4);
      component.DoWork(TWorkMode::wmWrite, 4);
      if (c.bodyFails) throw std::runtime_error("body");
    } catch (const std::runtime_error& e) {
      reported = e.what();
    }
    EXPECT_EQ(reported, c.reported);
    EXPECT_EQ(log.Lines, (std::vector<std::string>{"begin write 4", "work write 4", "end"}));
  }
}

TEST(IdComponentTest, NestedWorkScopesFireOnlyTheOutermostEnd) {
  TIdComponent c;
  EventLog log;
  log.Attach(c);
  {
    const TIdWorkScope outer(c, TWorkMode::wmRead, 10);
    try {
      const TIdWorkScope inner(c, TWorkMode::wmRead, 3);
      throw std::runtime_error("inner");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(c.WorkLevel(TWorkMode::wmRead), 1);
  }
  EXPECT_EQ(c.WorkLevel(TWorkMode::wmRead), 0);
  EXPECT_EQ(log.Lines, (std::vector<std::string>{"begin read 10", "end read"}));
}

TEST(IdComponentTest, StatusTextsAreFormattedWithTheirArguments) {
  struct Case {
    TIdStatus status;
    std::vector<String> arguments;
    std::string expected;
  };
  const Case cases[] = {
      {TIdStatus::hsResolving, {u"example.org"}, "Host-Name example.org wird aufgelöst."},
      {TIdStatus::hsConnecting, {u"127.0.0.1"}, "Verbinden mit 127.0.0.1."},
      {TIdStatus::hsConnected, {u"ignored"}, "Verbunden."},
      {TIdStatus::hsDisconnecting, {}, "Verbindung wird getrennt."},
      {TIdStatus::hsDisconnected, {}, "Verbindung getrennt."},
      {TIdStatus::hsStatusText, {u"frei"}, "frei"},
      {TIdStatus::hsStatusText, {}, ""},
      {TIdStatus::ftpAborted, {u"x"}, "x"},
  };
  for (const Case& c : cases) {
    TIdComponent component;
    EventLog log;
    log.Attach(component);
    if (c.arguments.empty())
      component.NotifyStatus(c.status);
    else
      component.NotifyStatus(c.status, {c.arguments[0]});
    EXPECT_EQ(log.Lines, std::vector<std::string>{c.expected}) << c.expected;
  }
}

TEST(IdComponentTest, UnassignedEventsAreSkipped) {
  TIdComponent c;
  c.BeginWork(TWorkMode::wmRead, 5);
  c.DoWork(TWorkMode::wmRead, 5);
  c.NotifyStatus(TIdStatus::hsConnected);
  c.EndWork(TWorkMode::wmRead);
  EXPECT_EQ(c.WorkCount(TWorkMode::wmRead), 5);
}

}  // namespace
