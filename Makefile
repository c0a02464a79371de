# make run   : install what is missing, build, start the program in ./workdir
# make test  : install what is missing, build, run every test
# make test-sanitize : the same with the address and undefined-behaviour sanitizers
# make fuzz  : run each fuzz target for FUZZ_SECONDS (default 60)
# make bench : print the performance figures
# make install PREFIX=/usr/local : install the program, its menu entry and icon
# make deb   : build the Debian package dist/mekira_<version>_<arch>.deb (in build-deb/)
# make deb-check : make deb, then check the package from the outside (tests/install/)
BUILD_DIR ?= build
SANITIZE_DIR ?= build-sanitize
DEB_DIR   ?= build-deb
WORK_DIR  ?= workdir
PREFIX    ?= /usr/local
JOBS      ?= $(shell nproc)

.PHONY: all deps configure build run test test-sanitize fuzz bench install deb deb-check clean

all: build

deps:
	@./scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	@mkdir -p $(WORK_DIR)
	@cd $(WORK_DIR) && ../$(BUILD_DIR)/src/app/mekira

test: build
	@cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

test-sanitize: deps
	@cmake -S . -B $(SANITIZE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMEKIRA_SANITIZE=ON -DMEKIRA_BUILD_BENCHMARKS=OFF >/dev/null
	@cmake --build $(SANITIZE_DIR) -j $(JOBS)
	@cd $(SANITIZE_DIR) && ctest --output-on-failure -j $(JOBS)

fuzz:
	@./scripts/install-deps.sh fuzz
	@./scripts/fuzz.sh

bench: build
	@./scripts/bench.sh

install: build
	@cmake --install $(BUILD_DIR) --prefix "$(PREFIX)"

# The package tools are installed here only: the everyday build does not need them.
deb:
	@./scripts/install-deps.sh deb
	@JOBS=$(JOBS) ./scripts/build-deb.sh $(DEB_DIR)

# The package build takes about twenty minutes from a clean tree on two cores, so the
# check is not part of make test (nor of CI).
deb-check: deb
	@./tests/install/deb-check.sh dist

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_DIR) $(DEB_DIR) dist
