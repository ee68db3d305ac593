#!/usr/bin/env bash
# The tests' share of the code, as the house counts it: non-blank lines of
# tracked .cpp/.cc/.h/.hpp/.py/.sh files under tests/ against those of every
# other tracked C++ file except bench/. Run from the checkout's top.
cnt() { xargs -r cat 2>/dev/null | grep -c -v '^\s*$'; }
t=$(git ls-files | grep -E '(^|/)tests?/' | grep -E '\.(cpp|cc|h|hpp|py|sh)$' | cnt)
p=$(git ls-files | grep -E '\.(cpp|cc|h|hpp)$' | grep -v -E '(^|/)(tests?|bench|third_party)/' | cnt)
python3 -c "t,p=$t,$p; print(f'tests {t}  product {p}  share {100*t/(t+p):.2f} %  (35 % means tests <= {int(0.35/0.65*p)})')"
