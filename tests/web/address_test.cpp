#include "web/address.h"

#include <gtest/gtest.h>

namespace {

struct AddressCase {
  const char* address;
  const char* host;
  const char* host_with_port;
  int port;
  const char* path;
};

class AddressTest : public ::testing::TestWithParam<AddressCase> {};

TEST_P(AddressTest, SplitsIntoHostPortAndPath) {
  const AddressCase& c = GetParam();
  EXPECT_EQ(host_of(c.address), Text(c.host));
  EXPECT_EQ(host_of(c.address, true), Text(c.host_with_port));
  EXPECT_EQ(port_of(c.address), c.port);
  EXPECT_EQ(path_of(c.address), Text(c.path));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AddressTest,
    ::testing::Values(
        // Mixed case: the host comes back lower-cased, the path as written.
        AddressCase{"HTTP://Www.Example.COM:8080/Path/To?Q=A", "www.example.com",
                    "www.example.com:8080", 8080, "/Path/To?Q=A"},
        AddressCase{"www.example.com/a/b", "www.example.com", "www.example.com", 80, "/a/b"},
        AddressCase{"example.com:81", "example.com", "example.com:81", 81, "/"},
        AddressCase{"https://example.com/x", "example.com", "example.com", 443, "/x"},
        AddressCase{"HTTPS://Example.com/", "example.com", "example.com", 443, "/"},
        AddressCase{"http://example.com/x", "example.com", "example.com", 80, "/x"},
        AddressCase{"https://example.com:8443/p", "example.com", "example.com:8443", 8443, "/p"},
        AddressCase{"http://example.com", "example.com", "example.com", 80, "/"},
        // A query right after the host belongs to the host part, which runs to the next "/".
        AddressCase{"http://example.com?q=1", "example.com?q=1", "example.com?q=1", 80, "/"},
        AddressCase{"http://example.com:abc/x", "example.com", "example.com:abc", 0, "/x"},
        AddressCase{"http://example.com:-5/x", "example.com", "example.com:-5", 0, "/x"},
        AddressCase{"http://example.com:8x/", "example.com", "example.com:8x", 8, "/"},
        // The path starts at the first "/" after the host's first occurrence.
        AddressCase{"http://Example.com/Dir/Example.com/x", "example.com", "example.com", 80,
                    "/Dir/Example.com/x"},
        AddressCase{"", "", "", 80, "/"}));

}  // namespace
