SHELL := /bin/bash
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
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 10
# Where `make install` puts the program; DESTDIR stages it below another root.
PREFIX ?= /usr/local
# What `make install` put in place. CMake's own install_manifest.txt is
# written again by every later install from the build tree, the install
# test's included, so the record is a copy of it.
INSTALLED = $(BUILD)/installed-files.txt

.PHONY: all deps build run test lint bench fuzz install uninstall package clean

all: build

deps:
	@scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DQUORVEL_SANITIZE=$(SANITIZE) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

# The window starts in a network namespace of its own: a first look can reach
# no network. Start $(BUILD)/bin/quorvel directly to ping real hosts.
run: build
	scripts/netns-run.sh $(BUILD)/bin/quorvel

# Every test runs inside network namespaces of its own, never on a real network.
# The fuzz targets get a bounded run first, and the sources must pass the lint.
test: build fuzz lint
	scripts/netns-run.sh ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# clang-format on every source, and the checks of .clang-tidy on the program's.
lint: build
	@JOBS=$(JOBS) scripts/lint.sh $(BUILD)

# Each libFuzzer target runs FUZZ_SECONDS from its seed corpus in fuzz/corpus/.
fuzz: deps
	@cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug \
	  -DQUORVEL_SANITIZE=ON -DQUORVEL_FUZZ=ON >/dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzz_all
	@for seeds in fuzz/corpus/*/; do \
	  name=$$(basename $$seeds); work=$$(mktemp -d); \
	  echo "fuzz_$$name: $(FUZZ_SECONDS) s from $$seeds"; \
	  $(FUZZ_BUILD)/bin/fuzz_$$name -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
	    $$work $$seeds 2>&1 | grep -E '^(stat::number_of_executed_units|==[0-9]+==|SUMMARY)' ; \
	  status=$${PIPESTATUS[0]}; rm -rf $$work; [ $$status -eq 0 ] || exit $$status; \
	done

# The files come from the build as `make build` made it; the program is given
# raw sockets when root may, else it pings through ICMP datagram sockets.
install: build
	cmake --install $(BUILD) --prefix $(PREFIX) --strip
	cp $(BUILD)/install_manifest.txt $(INSTALLED)

uninstall:
	scripts/uninstall.sh $(INSTALLED)

# A Debian package for /usr, left in $(BUILD)/.
package: build
	cd $(BUILD) && cpack -G DEB

# ping and fping run beside the probe engine as its peers; only the
# benchmarks need them.
bench: build
	@for tool in ping:iputils-ping fping:fping; do command -v $${tool%%:*} >/dev/null || \
	  apt-get install -y $${tool#*:} >/dev/null || exit 1; done
	@for b in $(BUILD)/bin/bench_*; do scripts/netns-run.sh "$$b" || exit 1; done

clean:
	rm -rf build build-sanitize $(FUZZ_BUILD)
