// main() of the network tests: they only ever run inside a private network
// namespace, where nothing they send can leave the machine. CTest starts them
// through tests/netns; started by hand, they re-enter through it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "tests/support/NetHelpers.h"

int main(int argc, char** argv) {
    if (!nettest::InPrivateNetwork()) {
        if (std::getenv("VENTREL_NETNS_ENTERED") != nullptr) {
            std::fprintf(stderr, "%s: not in a private network namespace; refusing to run\n",
                         argv[0]);
            return 1;
        }
        ::setenv("VENTREL_NETNS_ENTERED", "1", 1);
        std::vector<char*> args;
        args.push_back(const_cast<char*>(VENTREL_NETNS));
        for (int i = 0; i < argc; ++i) args.push_back(argv[i]);
        args.push_back(nullptr);
        ::execv(VENTREL_NETNS, args.data());
        std::perror(VENTREL_NETNS);
        return 1;
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
