# The two commands a newcomer needs: `make run` and `make test`.
# SANITIZE=1 builds with AddressSanitizer and UndefinedBehaviorSanitizer.
SANITIZE ?= 0
ifeq ($(SANITIZE),1)
BUILD ?= build-sanitize
BUILD_TYPE ?= Debug
else
BUILD ?= build
BUILD_TYPE ?= RelWithDebInfo
endif
JOBS ?= $(shell nproc)

.PHONY: all deps build run test bench clean

all: build

deps:
	@scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DQUORVEL_SANITIZE=$(SANITIZE) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/bin/quorvel

# Every test runs inside network namespaces of its own, never on a real network.
test: build
	scripts/netns-run.sh ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

bench: build
	@for b in $(BUILD)/bench/bench_*; do [ -x "$$b" ] && scripts/netns-run.sh "$$b"; done

clean:
	rm -rf build build-sanitize
