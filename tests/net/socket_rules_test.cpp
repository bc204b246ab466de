#include "socket_exception_text.h"

#include "net/socket_buffer.h"
#include "net/socket_errors.h"
#include "net/socket_resolve.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <gtest/gtest.h>

namespace {

std::string peekText(const TBuffer& buffer)
{
    int length = 0;
    const char* data = buffer.Peek(length);
    return std::string(data, static_cast<std::size_t>(length));
}

}  // namespace

TEST(TBuffer, FillsUpToItsSizeAndRestartsWhenDrained)
{
    TBuffer buffer(8);
    EXPECT_EQ(buffer.Write("abcdef", 6), 6);
    EXPECT_EQ(buffer.Write("ghijk", 5), 2);    // only two bytes still fit
    EXPECT_EQ(buffer.Write("x", 1), 0);        // full
    EXPECT_EQ(peekText(buffer), "abcdefgh");

    buffer.Remove(3);
    EXPECT_EQ(peekText(buffer), "defgh");
    EXPECT_EQ(buffer.Write("x", 1), 0);        // read space is not reused until drained

    buffer.Remove(100);                        // more than unread: takes what is there
    EXPECT_EQ(peekText(buffer), "");
    EXPECT_EQ(buffer.WrCount(), 0);
    EXPECT_EQ(buffer.Write("12345678", 8), 8);  // the whole block again
    EXPECT_EQ(peekText(buffer), "12345678");
}

TEST(TBuffer, NonPositiveSizeMeansTheDefaultBlock)
{
    EXPECT_EQ(TBuffer(0).BufSize(), 1514);
    EXPECT_EQ(TBuffer(-5).BufSize(), 1514);
    TBuffer buffer;
    buffer.SetBufSize(-1);
    EXPECT_EQ(buffer.BufSize(), 1514);
}

TEST(SocketErrorText, KnownAndUnknownNumbers)
{
    EXPECT_EQ(SocketErrorText(0), "No Error");
    EXPECT_EQ(SocketErrorText(10035), "Operation would block");
    EXPECT_EQ(SocketErrorText(10054), "Connection reset by peer");
    EXPECT_EQ(SocketErrorText(10061), "Connection refused");
    EXPECT_EQ(SocketErrorText(11001), "Host not found");
    EXPECT_EQ(SocketErrorText(11004), "No Data");
    EXPECT_EQ(SocketErrorText(10000), "Not a WinSock error");
    EXPECT_EQ(SocketErrorText(12001), "Not a WinSock error");
}

TEST(SocketErrorText, PosixCodesMapToTheNumbersOfTheSameMeaning)
{
    EXPECT_EQ(WinsockErrorFromErrno(ECONNREFUSED), 10061);
    EXPECT_EQ(WinsockErrorFromErrno(ECONNRESET), 10054);
    EXPECT_EQ(WinsockErrorFromErrno(EWOULDBLOCK), 10035);
    EXPECT_EQ(WinsockErrorFromErrno(EAGAIN), 10035);
    EXPECT_EQ(WinsockErrorFromErrno(ENOTCONN), 10057);
    EXPECT_EQ(WinsockErrorFromErrno(EADDRINUSE), 10048);
    EXPECT_EQ(WinsockErrorFromErrno(ETIMEDOUT), 10060);
    EXPECT_EQ(WinsockErrorFromGai(EAI_NONAME), 11001);
    EXPECT_EQ(WinsockErrorFromGai(EAI_AGAIN), 11002);
}

TEST(TrimmedSocketText, DropsBlanksAndLineEndsAroundButNotInside)
{
    EXPECT_EQ(TrimmedSocketText(" \t127.0.0.1\r\n"), "127.0.0.1");
    EXPECT_EQ(TrimmedSocketText("ftp server "), "ftp server");
    EXPECT_EQ(TrimmedSocketText(" \t\r\n"), "");
    EXPECT_EQ(TrimmedSocketText(""), "");
    EXPECT_EQ(TrimmedSocketText("21"), "21");
}

TEST(IsDottedAddress, AcceptsOnlyFourNumbersUpTo255)
{
    EXPECT_TRUE(IsDottedAddress("127.0.0.1"));
    EXPECT_TRUE(IsDottedAddress("  10.1.2.3  "));
    EXPECT_TRUE(IsDottedAddress("255.255.255.255"));
    EXPECT_TRUE(IsDottedAddress("000.001.0.0"));
    EXPECT_FALSE(IsDottedAddress(""));
    EXPECT_FALSE(IsDottedAddress(".1.2.3"));
    EXPECT_FALSE(IsDottedAddress("1.2.3"));
    EXPECT_FALSE(IsDottedAddress("1.2.3.4.5"));
    EXPECT_FALSE(IsDottedAddress("1.2..3"));
    EXPECT_FALSE(IsDottedAddress("1.2.3."));
    EXPECT_FALSE(IsDottedAddress("1.2.3.256"));
    EXPECT_FALSE(IsDottedAddress("1.2.3.4x"));
    EXPECT_FALSE(IsDottedAddress("1.2.3.4 5"));
    EXPECT_FALSE(IsDottedAddress("localhost"));
}

TEST(ResolveHost, DottedNamesAndFailures)
{
    EXPECT_EQ(ResolveHost("127.0.0.1"), htonl(INADDR_LOOPBACK));
    EXPECT_EQ(ResolveHost(" 127.0.0.1 "), htonl(INADDR_LOOPBACK));
    EXPECT_EQ(ResolveHost("255.255.255.255"), INADDR_BROADCAST);
    EXPECT_EQ(ResolveHost("localhost"), htonl(INADDR_LOOPBACK));   // from the hosts file
    EXPECT_EQ(thrownText([] { ResolveHost(""); }), "WSocketResolveHost: '' Invalid Hostname.");
    const std::string longName(257, 'a');
    EXPECT_EQ(thrownText([&] { ResolveHost(longName); }), "WSocketResolveHost: '" + longName + "' Invalid Hostname.");
    // A label longer than 63 characters is refused by the resolver itself,
    // without asking any name server.
    const std::string badName = std::string(70, 'b') + ".test";
    EXPECT_EQ(thrownText([&] { ResolveHost(badName); }), "WSocketResolveHost: Cannot convert host address '" + badName + "'");
}

TEST(ResolvePort, NumbersServicesAndFailures)
{
    EXPECT_EQ(ResolvePort("21", "tcp"), 21);
    EXPECT_EQ(ResolvePort("  8080xyz", "tcp"), 8080);   // leading number counts
    EXPECT_EQ(ResolvePort("ftp", "tcp"), 21);
    EXPECT_EQ(thrownText([] { ResolvePort("", "tcp"); }), "WSocketResolvePort: Invalid Port.");
    EXPECT_EQ(thrownText([] { ResolvePort(std::string(32, '1'), "tcp"); }), "WSocketResolvePort: Invalid Port.");
    EXPECT_EQ(thrownText([] { ResolvePort("70000", "tcp"); }), "WSocketResolvePort: Invalid Port.");
    EXPECT_EQ(thrownText([] { ResolvePort("no-such-service", "tcp"); }),
              "WSocketResolvePort: Cannot convert port 'no-such-service'");
}

TEST(ResolveProto, NumbersNamesAndFailures)
{
    EXPECT_EQ(ResolveProto("tcp"), 6);
    EXPECT_EQ(ResolveProto("udp"), 17);
    EXPECT_EQ(ResolveProto("17"), 17);
    EXPECT_EQ(thrownText([] { ResolveProto(""); }), "WSocketResolveProto: Invalid Protocol.");
    EXPECT_EQ(thrownText([] { ResolveProto("nonsense"); }), "WSocketResolveProto: Cannot convert protocol 'nonsense'");
}
