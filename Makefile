# The two commands a newcomer needs are `make run` and `make test`.
.PHONY: run test bench build release clean format

run:
	scripts/run

test:
	scripts/test

bench:
	scripts/bench

build:
	scripts/install-deps
	scripts/build

release:
	scripts/release

clean:
	rm -rf build

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i
