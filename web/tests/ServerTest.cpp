// The page server's own parts: what a request's header may ask for, the live session's bounds and
// version, and the server in this process refusing actions once it stops.
#include <gtest/gtest.h>

#include <boost/asio/connect.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/http/read.hpp>
#include <boost/beast/http/write.hpp>

#include "drive/DefaultDocument.h"
#include "drive/Desk.h"
#include "drive/Script.h"
#include "drive/Startup.h"
#include "vexhost/Session.h"
#include "web/LiveSession.h"
#include "web/PageActions.h"
#include "web/PageRoutes.h"
#include "web/PageServer.h"
#include "web/tests/PageTestSupport.h"

namespace vexweb {
namespace {

using nlohmann::json;

class Routes : public ::testing::Test {
 protected:
  void SetUp() override { _Routes.SetHosts({"127.0.0.1:8765", "localhost:8765"}); }

  Request Header(http::verb method, std::string target, bool token = true) const {
    Request request{method, target, 11};
    request.set(http::field::host, "127.0.0.1:8765");
    if (token) request.set(TokenHeader, _Routes.Token());
    return request;
  }

  // The status of the refusal, or 0 with what the request asks for.
  std::pair<int, Resource> Judged(const Request& request) const {
    auto checked = _Routes.Check(request);
    if (auto* refusal = std::get_if<Answer>(&checked)) return {refusal->result_int(), Resource::PageFile};
    return {0, std::get<Routed>(checked).What};
  }

  PageRoutes _Routes;
};

TEST_F(Routes, EachResourceIsAskedForWithItsMethod) {
  EXPECT_EQ(Judged(Header(http::verb::get, "/")), std::make_pair(0, Resource::PageFile));
  EXPECT_EQ(Judged(Header(http::verb::head, "/page.js", false)), std::make_pair(0, Resource::PageFile));
  EXPECT_EQ(Judged(Header(http::verb::get, "/api/view?x=1")), std::make_pair(0, Resource::View));
  EXPECT_EQ(Judged(Header(http::verb::get, "/api/events")), std::make_pair(0, Resource::Events));
  Request act = Header(http::verb::post, "/api/act");
  act.set(http::field::content_type, "Application/JSON ; charset=utf-8");
  EXPECT_EQ(Judged(act), std::make_pair(0, Resource::Act));
  act.set(http::field::content_type, "application/jsonx");
  EXPECT_EQ(Judged(act).first, 415);
  EXPECT_EQ(Judged(Header(http::verb::put, "/")).first, 405);
  EXPECT_EQ(Judged(Header(http::verb::get, "/api/act")).first, 405);
  EXPECT_EQ(Judged(Header(http::verb::get, "/index.html")).first, 404);
  EXPECT_EQ(Judged(Header(http::verb::get, "/api/nothing")).first, 404);
  EXPECT_EQ(Judged(Header(http::verb::get, "/api/nothing", false)).first, 403) << "the token first, then the path";
  EXPECT_EQ(Judged(Header(http::verb::get, "http://127.0.0.1:8765/")).first, 400);
  EXPECT_EQ(Judged(Header(http::verb::get, "*")).first, 400);
}

TEST_F(Routes, AWrongMethodIsToldWhatIsAllowed) {
  auto checked = _Routes.Check(Header(http::verb::delete_, "/api/session"));
  const Answer& refusal = std::get<Answer>(checked);
  EXPECT_EQ(refusal.result_int(), 405);
  EXPECT_EQ(refusal[http::field::allow], "POST");
  EXPECT_EQ(std::get<Answer>(_Routes.Check(Header(http::verb::options, "/")))[http::field::allow], "GET, HEAD");
}

TEST_F(Routes, OnlyTheEventStreamTakesItsTokenInTheAddress) {
  const std::string token = _Routes.Token();
  EXPECT_EQ(Judged(Header(http::verb::get, "/api/events?token=" + token, false)).first, 0);
  EXPECT_EQ(Judged(Header(http::verb::get, "/api/events?since=3&token=" + token + "&x", false)).first, 0);
  EXPECT_EQ(Judged(Header(http::verb::get, "/api/view?token=" + token, false)).first, 403);
  EXPECT_EQ(Judged(Header(http::verb::get, "/api/events?token=" + token + "0", false)).first, 403);
  EXPECT_EQ(Judged(Header(http::verb::get, "/api/events?xtoken=" + token, false)).first, 403);
  // A token in the header is the one judged.
  Request wrong = Header(http::verb::get, "/api/events?token=" + token, false);
  wrong.set(TokenHeader, "0");
  EXPECT_EQ(Judged(wrong).first, 403);
}

TEST_F(Routes, TheHostIsNamedOnceAndAsServed) {
  Request request = Header(http::verb::get, "/");
  request.set(http::field::host, "LOCALHOST:8765");
  EXPECT_EQ(Judged(request).first, 0);
  request.insert(http::field::host, "localhost:8765");
  EXPECT_EQ(Judged(request).first, 400);
  request.erase(http::field::host);
  EXPECT_EQ(Judged(request).first, 400);
  request.set(http::field::host, "127.0.0.1:8766");
  EXPECT_EQ(Judged(request).first, 403);
  Request origin = Header(http::verb::get, "/api/view");
  origin.set(http::field::origin, "http://localhost:8765");
  EXPECT_EQ(Judged(origin).first, 0);
  origin.set(http::field::origin, "https://localhost:8765");
  EXPECT_EQ(Judged(origin).first, 403);
}

TEST_F(Routes, ABodyIsFramedOneWay) {
  Request request = Header(http::verb::post, "/api/act");
  request.set(http::field::content_type, "application/json");
  request.set(http::field::transfer_encoding, "chunked");
  EXPECT_EQ(Judged(request).first, 0);
  request.set(http::field::content_length, "10");
  EXPECT_EQ(Judged(request).first, 400);
  request.erase(http::field::content_length);
  request.set(http::field::transfer_encoding, "chunked, gzip");
  EXPECT_EQ(Judged(request).first, 400);
}

class Stopped : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { vexdrive::LoadModule(VEXWEB_MODULE); }
  void SetUp() override {
    _Options.Resources = VEXWEB_RESOURCES;
    _Options.ModuleProfile = Ours();
    _Live = std::make_unique<LiveSession>(vexdrive::DefaultDocument(), _Options, RecordingBounds{100, 64});
  }
  void TearDown() override {
    EXPECT_TRUE(_Live->End().Clean());
    _Live.reset();
    EXPECT_EQ(vexhost::Session::LiveObjects(), 0);
  }

  static json WithoutJournal(json view) {
    view.erase("journal");
    return view;
  }

  vexdrive::Options _Options;
  std::unique_ptr<LiveSession> _Live;
};

TEST_F(Stopped, ARecordingPastItsBoundRefusesActionsUntilANewSession) {
  EXPECT_EQ(_Live->Act(LineAction("start VexStrCreateInterimProdCmd")).Refusal, "");
  EXPECT_EQ(_Live->Act(LineAction("class Panel")).Refusal, "");
  EXPECT_EQ(_Live->Act(LineAction("partnumber BA-201")).Refusal, "");
  // 33 + 12 + 18 bytes recorded with their line ends; a cancel would make 70, past the bound of 64.
  const ActOutcome refused = _Live->Act(LineAction("cancel"));
  EXPECT_EQ(refused.Refusal, "the recording is full (3 lines, 63 bytes): download it, then start a new session");
  EXPECT_EQ(refused.View["script"]["lines"], 3);
  EXPECT_TRUE(refused.View["running"].get<bool>()) << "the refused cancel was not carried out";
  EXPECT_NE(_Live->Script().find("\npartnumber BA-201\n"), std::string::npos);
  _Live->Restart({});
  EXPECT_EQ(_Live->Act(LineAction("start VexStrCreateInterimProdCmd")).Refusal, "");
}

TEST_F(Stopped, NoActionIsTakenOnceStopping) {
  EXPECT_EQ(_Live->Act(LineAction("start VexStrCreateInterimProdCmd")).Refusal, "");
  const json before = WithoutJournal(_Live->View());
  _Live->StopActions();
  EXPECT_THROW(_Live->Act(LineAction("cancel")), Stopping);
  EXPECT_THROW(_Live->Restart({}), Stopping);
  EXPECT_EQ(WithoutJournal(_Live->View()), before);
}

// Names with quotes, comment marks, blanks at either end and letters beyond ASCII: every product
// can be clicked, and the recording replays to the same end.
TEST(Names, EveryProductCanBeClickedAndItsRecordingReplays) {
  vexdrive::LoadModule(VEXWEB_MODULE);
  const vexhost::DocumentData document = vexhost::ParseDocument(R"({
    "classes": ["Deck \"A\" #1", " Tanké "],
    "active": "Hull",
    "root": {"name": "Hull", "children": [
      {"name": " Odd \"Block\" # 2 ", "partNumber": "#7",
       "factory": {"firstClass": "Deck \"A\" #1", "secondClass": "InterimProduct"}}]}
  })",
                                                                "odd.json");
  vexdrive::Options options;
  options.Resources = VEXWEB_RESOURCES;
  options.ModuleProfile = Ours();
  std::string script;
  {
    LiveSession live(document, options);
    auto act = [&](const char* verb, const std::string& text) {
      const ActOutcome outcome = live.Act(ActionFor({{"verb", verb}, {"text", text}}, Ours()));
      EXPECT_EQ(outcome.Refusal, "") << outcome.Line;
    };
    act("active", "Hull/ Odd \"Block\" # 2 ");
    act("start", "VexStrCreateInterimProdCmd");
    act("class", " Tanké ");
    EXPECT_EQ(live.Act(LineAction("ok")).Refusal, "");
    act("active", "Hull/ Odd \"Block\" # 2 / Tanké  1");
    const json tree = live.View()["tree"]["root"]["children"][0];
    EXPECT_EQ(tree["children"][0]["path"], "Hull/ Odd \"Block\" # 2 / Tanké  1");
    EXPECT_TRUE(tree["children"][0]["active"].get<bool>());
    script = live.Script();
    EXPECT_TRUE(live.End().Clean());
  }
  vexhost::Session session(vexhost::SessionOptions{{VEXWEB_RESOURCES}});
  session.OpenDocument(document);
  vexdrive::Desk desk(session);
  std::ostringstream out;
  std::ostringstream err;
  vexdrive::Script replay(desk, out, err, false, Ours());
  std::istringstream in(script);
  replay.Run(in, "session.vex");
  EXPECT_FALSE(replay.Stopped()) << err.str() << script;
  EXPECT_EQ(replay.FailedExpectations(), 0) << out.str() << script;
  desk.EndRun();
  EXPECT_TRUE(session.Accounting().Clean());
}

// One request to a server in this process, answered whole.
Answer Ask(int port, Request request) {
  boost::asio::io_context io;
  boost::asio::ip::tcp::socket socket(io);
  socket.connect({boost::asio::ip::make_address("127.0.0.1"), static_cast<unsigned short>(port)});
  request.set(http::field::host, "127.0.0.1:" + std::to_string(port));
  request.prepare_payload();
  http::write(socket, request);
  boost::beast::flat_buffer buffer;
  Answer answer;
  http::read(socket, buffer, answer);
  return answer;
}

TEST_F(Stopped, TheServerAnswersAnActionAfterTheStop503AndDoesNothing) {
  PageServer server(*_Live, "127.0.0.1");
  const int port = server.Bind(0);
  server.Start();
  Request act{http::verb::post, "/api/act", 11};
  act.set(TokenHeader, server.Token());
  act.set(http::field::content_type, "application/json");
  act.body() = R"({"verb": "start", "text": "VexStrCreateInterimProdCmd"})";
  EXPECT_EQ(Ask(port, act).result_int(), 200);
  const json before = WithoutJournal(_Live->View());
  _Live->StopActions();
  act.body() = R"({"verb": "cancel"})";
  const Answer refused = Ask(port, act);
  EXPECT_EQ(refused.result_int(), 503);
  EXPECT_EQ(json::parse(refused.body())["error"], "the server is stopping: it takes no more actions");
  EXPECT_EQ(refused["X-Frame-Options"], "DENY");
  EXPECT_TRUE(server.Stop());
  EXPECT_EQ(WithoutJournal(_Live->View()), before);
}

}  // namespace
}  // namespace vexweb
