#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/String.h"

namespace {

// Every token up to the null result; "(none)" marks a token left without text.
std::vector<std::string> tokensOf(const char* text) {
    StringTokenizer tokenizer(text);
    std::vector<std::string> tokens;
    String token;
    while (tokenizer.getToken(token) != nullptr) {
        tokens.push_back(token.getContents() ? token.getContents() : "(none)");
        if (tokens.size() > 100) break;
    }
    return tokens;
}

using Tokens = std::vector<std::string>;

}  // namespace

TEST(StringTokenizer, Delimiters) {
    EXPECT_EQ(tokensOf("a,b"), (Tokens{"a", "b"}));
    EXPECT_EQ(tokensOf("a, "), (Tokens{"a", ""}));
    EXPECT_EQ(tokensOf("one\ttwo three"), (Tokens{"one", "two", "three"}));
    EXPECT_EQ(tokensOf("  lead"), (Tokens{"lead"}));
    EXPECT_EQ(tokensOf("a,,b"), (Tokens{"a", "b"}));
    EXPECT_EQ(tokensOf(""), Tokens{});
    EXPECT_EQ(tokensOf(nullptr), Tokens{});
}

TEST(StringTokenizer, QuotedProgramPaths) {
    EXPECT_EQ(tokensOf("\"C:\\Program Files\\Office\\WINWORD.EXE\" \"%1\""),
              (Tokens{"C:\\Program Files\\Office\\WINWORD.EXE", "%1"}));
    EXPECT_EQ(tokensOf("\"C:\\Program Files\\App\\app.exe\""), (Tokens{"C:\\Program Files\\App\\app.exe"}));
    EXPECT_EQ(tokensOf("\"C:\\Program Files\\App\\app.exe\" /n /dde"),
              (Tokens{"C:\\Program Files\\App\\app.exe", "/n", "/dde"}));
    // After the closing quote the token runs on to the next delimiter.
    EXPECT_EQ(tokensOf("\"a b\"c d"), (Tokens{"a bc", "d"}));
}

TEST(StringTokenizer, AdjacentAndSurplusQuotes) {
    // A pair of quotes ends the token; at its start it gives an empty token.
    EXPECT_EQ(tokensOf("\"\" x"), (Tokens{"", "x"}));
    EXPECT_EQ(tokensOf("ab\"\"cd"), (Tokens{"ab", "cd"}));
    // More than two quotes: the token runs to the end of the text.
    EXPECT_EQ(tokensOf("\"a b\"c\"d e"), (Tokens{"a bcd e"}));
    // An unclosed quote keeps the delimiters.
    EXPECT_EQ(tokensOf("\"open text"), (Tokens{"open text"}));
}

TEST(StringTokenizer, NullResultLeavesTokenAlone) {
    StringTokenizer tokenizer("only");
    String token;
    ASSERT_NE(tokenizer.getToken(token), nullptr);
    EXPECT_STREQ(token.getContents(), "only");
    EXPECT_EQ(tokenizer.getToken(token), nullptr);
    EXPECT_STREQ(token.getContents(), "only");
    EXPECT_EQ(tokenizer.getToken(token), nullptr);
}

TEST(StringTokenizer, TokenLongerThanItsFirstBuffer) {
    std::string longToken(5000, 'x');
    std::string text = "\"" + longToken + " y\" z";
    EXPECT_EQ(tokensOf(text.c_str()), (Tokens{longToken + " y", "z"}));
}
