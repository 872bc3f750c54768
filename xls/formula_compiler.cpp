// formula_compiler.cpp - formula text to postfix text to token bytes.
#include "xls/formula_compiler.h"

#include <cstdint>
#include <string>
#include <vector>

#include "core/xlerror.h"
#include "xls/formula_book.h"
#include "xls/formula_constants.h"
#include "xls/formula_postfix.h"
#include "xls/formula_renderer.h"
#include "xls/function_table.h"

namespace karvo {

namespace {

bool isSeparator(std::u16string_view t) { return t == u";" || t == u","; }

// ---- Tokenising -------------------------------------------------------------

bool splitsTokens(char16_t c) { return std::u16string_view(u"+-*/()^<>=;&%,").find(c) != std::u16string_view::npos; }

// "<=", "<>" and ">=" are one token; every other splitting character stands alone.
std::size_t operatorLength(std::u16string_view text, std::size_t i) {
    const char16_t next = i + 1 < text.size() ? text[i + 1] : 0;
    return (text[i] == u'<' && (next == u'=' || next == u'>')) || (text[i] == u'>' && next == u'=') ? 2 : 1;
}

std::vector<std::u16string> tokenize(std::u16string_view text) {
    std::vector<std::u16string> tokens;
    std::u16string current;
    char16_t quote = 0; // inside a string (") or a quoted sheet name (') nothing splits
    const auto flush = [&] {
        if (!current.empty()) tokens.push_back(std::move(current));
        current.clear();
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (quote != 0 || c == u'"' || c == u'\'') {
            if (quote == 0) quote = c;
            else if (c == quote) quote = 0;
            current += c;
        } else if (c == u' ') {
            flush();
        } else if (const std::size_t error = current.empty() ? errorLengthAt(text.substr(i)) : 0) {
            tokens.emplace_back(text.substr(i, error)); // "#DIV/0!" and "#N/A" hold a "/"
            i += error - 1;
        } else if (!splitsTokens(c)) {
            current += c;
        } else {
            flush();
            const std::size_t length = operatorLength(text, i);
            tokens.emplace_back(text.substr(i, length));
            i += length - 1;
        }
    }
    flush();
    return tokens;
}

// ---- Argument counting -----------------------------------------------------

/// Spreadsheet programs take at most 64 levels of function calls nested as arguments
/// (the generation that wrote only binary books took 7), and save such formulas to
/// binary books; deeper text is refused in the first pass over it.
constexpr std::size_t kMaxCallNesting = 64;
constexpr std::uint32_t kUnclosed = UINT32_MAX;

/// For each "(" the number of arguments between it and its ")": none for "()", else
/// one more than the separators at its own level; kUnclosed when no ")" matches it.
/// One pass for the whole text, so that nested calls do not rescan their arguments.
std::vector<std::uint32_t> countArguments(const std::vector<std::u16string>& tokens, const FunctionTable& functions) {
    struct Open {
        std::size_t at;
        std::uint32_t separators;
        bool call;
    };
    std::vector<std::uint32_t> counts(tokens.size(), kUnclosed);
    std::vector<Open> open;
    std::size_t calls = 0;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        if (tokens[i] == u"(") {
            const bool call = i > 0 && functions.find(tokens[i - 1]) != FunctionTable::kNotFound;
            if (call && ++calls > kMaxCallNesting)
                throw xlerror("function calls nested deeper than " + std::to_string(kMaxCallNesting) + " levels");
            open.push_back({i, 0, call});
        } else if (tokens[i] == u")" && !open.empty()) {
            const Open& o = open.back();
            counts[o.at] = i == o.at + 1 ? 0 : o.separators + 1;
            if (o.call) --calls;
            open.pop_back();
        } else if (isSeparator(tokens[i]) && !open.empty()) {
            ++open.back().separators;
        }
    }
    return counts;
}

// ---- Reference marking ------------------------------------------------------

bool isSingleCell(std::u16string_view token) {
    auto ref = parseReference(token);
    return ref && !ref->last && !ref->refClass;
}

/// Appends R to every argument of a table function that is one single-cell reference
/// and sits where the function's mask expects a reference, and to every such operand
/// of a union in plain brackets, which joins references only.
void markReferenceArguments(std::vector<std::u16string>& tokens, const FunctionTable& functions,
                            const std::vector<std::uint32_t>& argumentCounts) {
    constexpr std::uint32_t kEveryArgument = ~0u;
    struct Call {
        std::uint32_t refMask;
        std::uint32_t argument;
    };
    constexpr std::uint32_t kMaskBits = 32;
    std::vector<Call> calls;
    const auto isToken = [&](std::size_t i, auto test) { return i < tokens.size() && test(tokens[i]); };
    const auto opensArgument = [](std::u16string_view t) { return t == u"(" || isSeparator(t); };
    const auto closesArgument = [](std::u16string_view t) { return t == u")" || isSeparator(t); };
    const auto wantsReference = [](const Call& c) {
        return c.refMask == kEveryArgument || (c.argument < kMaskBits && (c.refMask >> c.argument & 1));
    };
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        std::u16string& t = tokens[i];
        if (t == u"(") {
            const auto called = i > 0 ? functions.findWithMask(tokens[i - 1]) : FunctionTable::NumberAndMask{};
            const bool unites = called.number == FunctionTable::kNotFound && argumentCounts[i] != kUnclosed &&
                                argumentCounts[i] > 1;
            calls.push_back({unites ? kEveryArgument : called.refMask, 0});
        } else if (t == u")") {
            if (!calls.empty()) calls.pop_back();
        } else if (isSeparator(t)) {
            if (!calls.empty()) ++calls.back().argument;
        } else if (!calls.empty() && wantsReference(calls.back()) && opensArgument(tokens[i - 1]) &&
                   isToken(i + 1, closesArgument) && isSingleCell(t)) {
            t += u'R';
        }
    }
}

// ---- Infix to postfix -------------------------------------------------------

/// The binary format caps a formula cell's token array at 1800 bytes, which also keeps
/// its record within one record body: a longer array would have to be split across
/// CONTINUE records, where readers no longer find it.
constexpr std::size_t kMaxFormulaTokens = 1800;

constexpr const char* kMalformed = "error in formula";
constexpr const char* kIncorrectToken = "incorrect token in formula";

/// Postfix text, and the first fault of form that the conversion let pass (it is
/// raised after encoding, so that a bad token is reported first, as before).
struct Postfix {
    std::u16string text;
    const char* fault = nullptr;
};

/// The operator-stack conversion. "%" is a postfix operator binding tighter than any
/// other, so it goes to the output at once, right after its operand. The conversion
/// alone would accept "1+", "1;2" or "(1+;2)" and leave tokens that render wrongly or
/// not at all, so it also notes where an operand is missing or one too many.
class PostfixBuilder {
public:
    PostfixBuilder(const std::vector<std::u16string>& tokens, const FunctionTable& functions,
                   const std::vector<std::uint32_t>& argumentCounts)
        : tokens_(tokens), functions_(functions), argumentCounts_(argumentCounts) {}

    Postfix run() {
        for (std::size_t i = 0; i < tokens_.size(); ++i) i = step(i);
        require(!expectOperand_, kMalformed);
        while (!stack_.empty()) popToOutput();
        Postfix result{{}, fault_};
        for (const std::u16string& token : output_) result.text += (result.text.empty() ? u"" : u" ") + token;
        return result;
    }

private:
    enum class Kind { op, plainParen, functionParen, function };
    struct Entry {
        std::u16string text;
        int precedence;
        Kind kind;
    };
    static constexpr int kParenPrecedence = 0;
    static constexpr int kSeparatorPrecedence = 1;
    static constexpr int kUnaryPrecedence = 8;

    /// Handles tokens_[i]; returns the index of the last token it used.
    std::size_t step(std::size_t i) {
        const std::u16string& t = tokens_[i];
        if (t == u"(") open(Kind::plainParen);
        else if (t == u")") close(i);
        else if (isSeparator(t)) separator(i);
        else if (t == postfix::kPercent) percent();
        else if (const BinaryOperator* op = binaryOperator(t)) binary(*op);
        else if ((t == u"TRUE" || t == u"FALSE") && !(i + 1 < tokens_.size() && tokens_[i + 1] == u"(")) operand(t);
        else if (functions_.find(t) != FunctionTable::kNotFound) return function(i);
        else operand(t);
        return i;
    }

    void require(bool condition, const char* message) {
        if (!condition && fault_ == nullptr) fault_ = message;
    }

    // Words of the postfix text itself would be read back as operators or calls.
    bool isPostfixWord(std::u16string_view t) const {
        return t == postfix::kUnaryPlus || t == postfix::kUnaryMinus || t == postfix::kMissing ||
               t == postfix::kAttrSum || t == postfix::kUnion || parseFunctionToken(t, functions_).has_value();
    }

    void operand(const std::u16string& t) {
        require(expectOperand_, kMalformed);
        require(!isPostfixWord(t), kIncorrectToken);
        output_.push_back(t);
        expectOperand_ = false;
    }

    void open(Kind kind) {
        require(expectOperand_, kMalformed);
        stack_.push_back({std::u16string(postfix::kParentheses), kParenPrecedence, kind});
        expectOperand_ = true;
    }

    std::size_t function(std::size_t name) {
        if (name + 1 >= tokens_.size() || tokens_[name + 1] != u"(")
            throw xlerror("error: function name without open parenthesis");
        const std::uint32_t count = argumentCounts_[name + 1];
        if (count == kUnclosed) throw xlerror("error: function parentheses not found");
        stack_.push_back({tokens_[name] + decimal(count) + u"F", -1, Kind::function});
        open(Kind::functionParen);
        return name + 1;
    }

    void percent() {
        require(!expectOperand_, kMalformed);
        output_.emplace_back(postfix::kPercent);
    }

    // An operator where an operand belongs is unary: it waits without popping anything.
    void binary(const BinaryOperator& op) {
        if (expectOperand_) {
            const bool minus = op.text == u"-";
            require(minus || op.text == u"+", kMalformed);
            stack_.push_back({std::u16string(minus ? postfix::kUnaryMinus : postfix::kUnaryPlus), kUnaryPrecedence,
                              Kind::op});
        } else {
            popWhile(op.precedence);
            stack_.push_back({std::u16string(op.text), op.precedence, Kind::op});
        }
        expectOperand_ = true;
    }

    // An argument is empty when its separator or ")" follows "(" or another separator.
    bool emptyArgument(std::size_t i) const { return tokens_[i - 1] == u"(" || isSeparator(tokens_[i - 1]); }

    // Separators belong between the arguments of a function; an empty argument is
    // written as a missing argument. A "," in plain brackets joins references into a
    // union, which is how a union goes into a function as one argument: COUNT((A1,B1)).
    void separator(std::size_t i) {
        popWhile(kSeparatorPrecedence);
        if (tokens_[i] == u"," && !stack_.empty() && stack_.back().kind == Kind::plainParen) return unite();
        const bool inFunction = !stack_.empty() && stack_.back().kind == Kind::functionParen;
        require(inFunction && (!expectOperand_ || emptyArgument(i)), kMalformed);
        if (inFunction && emptyArgument(i)) output_.emplace_back(postfix::kMissing);
        expectOperand_ = true;
    }

    // The union binds more loosely than any other operator, as the bracket-free text of
    // the renderer reads: (A1,B1+1) joins A1 and B1+1.
    void unite() {
        require(!expectOperand_, kMalformed);
        stack_.push_back({std::u16string(postfix::kUnion), kSeparatorPrecedence, Kind::op});
        expectOperand_ = true;
    }

    void close(std::size_t i) {
        popWhile(kSeparatorPrecedence);
        if (stack_.empty()) throw xlerror(kMalformed);
        const Kind kind = stack_.back().kind;
        stack_.pop_back();
        if (kind == Kind::plainParen) {
            require(!expectOperand_, kMalformed);
            output_.emplace_back(postfix::kParentheses);
        } else {
            require(!expectOperand_ || emptyArgument(i), kMalformed);
            if (isSeparator(tokens_[i - 1])) output_.emplace_back(postfix::kMissing);
            popToOutput();
        }
        expectOperand_ = false;
    }

    void popWhile(int precedence) {
        while (!stack_.empty() && stack_.back().precedence >= precedence && stack_.back().precedence > kParenPrecedence)
            popToOutput();
    }

    void popToOutput() {
        output_.push_back(std::move(stack_.back().text));
        stack_.pop_back();
    }

    static std::u16string decimal(std::uint32_t n) {
        const std::string s = std::to_string(n);
        return std::u16string(s.begin(), s.end());
    }

    const std::vector<std::u16string>& tokens_;
    const FunctionTable& functions_;
    const std::vector<std::uint32_t>& argumentCounts_;
    std::vector<std::u16string> output_;
    std::vector<Entry> stack_;
    bool expectOperand_ = true;
    const char* fault_ = nullptr;
};

Postfix buildPostfix(std::u16string_view text, const FunctionTable& functions) {
    if (text.starts_with(u'=')) text.remove_prefix(1);
    std::vector<std::u16string> tokens = tokenize(text);
    const std::vector<std::uint32_t> argumentCounts = countArguments(tokens, functions);
    markReferenceArguments(tokens, functions, argumentCounts);
    return PostfixBuilder(tokens, functions, argumentCounts).run();
}

} // namespace

std::u16string formulaToPostfix(std::u16string_view text, const FunctionTable& functions) {
    return buildPostfix(text, functions).text;
}

std::vector<std::uint8_t> compileFormula(std::u16string_view text, FormulaBook& book) {
    const Postfix postfix = buildPostfix(text, book.functions());
    std::vector<std::uint8_t> bytes = encodePostfix(postfix.text, book);
    if (postfix.fault) throw xlerror(postfix.fault);
    if (bytes.size() > kMaxFormulaTokens)
        throw xlerror("formula is too long: its tokens take " + std::to_string(bytes.size()) + " bytes, at most " +
                      std::to_string(kMaxFormulaTokens) + " fit a formula cell");
    // What is well formed still has to fit the renderer's bounds, or the cell could
    // be written but never read.
    renderFormula(bytes, book, false, 0, 0);
    return bytes;
}

} // namespace karvo
