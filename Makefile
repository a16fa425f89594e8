# The two commands a newcomer needs are `make run` and `make test`.
.PHONY: run test bench soak stats build release reproduce clean format

run:
	scripts/run

test:
	scripts/test

bench:
	scripts/bench

# make soak N=1000: fresh fault plans; make soak PLAN='{...}': one plan again.
soak:
	SOAK='$(or $(PLAN),$(N),100)' scripts/soak

# The test side against the rest, in code lines by cloc: at most 0.6.
stats:
	@scripts/stats

build:
	scripts/install-deps
	scripts/build

release:
	scripts/release

# The release built again from a clone of this commit at another path: the same bytes, or it fails
# (of the maker's payload, or SAMPLE=1, as make release).
reproduce:
	scripts/reproduce

clean:
	rm -rf build

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i
