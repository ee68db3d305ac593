#!/usr/bin/env bash
# The tests' share of the code: non-blank lines of .cpp/.h/.cc under tests/ against the product's
# (core frontend cli sim app bench; the fuzz harnesses count for neither).
# Run from the checkout's top: tools/test-share.sh
cnt(){ find "$@" \( -name '*.cpp' -o -name '*.h' -o -name '*.cc' \) -print0 | xargs -0 cat | grep -cv '^\s*$'; }
t=$(cnt tests); p=$(cnt core frontend cli sim app bench)
python3 -c "t,p=$t,$p; print(f'tests {t}  product {p}  share {100*t/(t+p):.2f} %  (35 % means tests <= {int(0.35/0.65*p)})')"
for d in tests/*/; do echo "  $d $(cnt $d)"; done
