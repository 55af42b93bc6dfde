# make run: build and start the program only.  make test: install test needs,
# build everything, run every test.  make install PREFIX=P: install the program.
BUILD ?= build
JOBS ?= $(shell nproc)
PREFIX ?= /usr/local

.PHONY: all build run test deps deps-programme clean bench install

all: build

# A new build folder uses Ninja, whose build with nothing to do takes a tenth
# of a second; a folder configured before keeps its generator.
GENERATOR = $(if $(wildcard $(BUILD)/CMakeCache.txt),,-G Ninja)
CONFIGURE = cmake -S . -B $(BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=Release

# Configured once; later runs leave the cache as it is (cmake --build
# reconfigures by itself when a CMakeLists.txt changes).
$(BUILD)/CMakeCache.txt:
	$(CONFIGURE)

build: deps-programme $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) --target glomerix glomerix-db glomerix-explorer -j $(JOBS)

run: deps-programme $(BUILD)/CMakeCache.txt
	@cmake --build $(BUILD) --target glomerix -j $(JOBS)
	./$(BUILD)/glomerix

deps-programme:
	@./tools/install-deps.sh --programme

deps:
	./tools/install-deps.sh

test: deps
	$(CONFIGURE) -DGLOMERIX_TESTS=ON
	cmake --build $(BUILD) -j $(JOBS)
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

bench: deps
	$(CONFIGURE) -DGLOMERIX_TESTS=ON
	cmake --build $(BUILD) -j $(JOBS)
	@for b in $(BUILD)/bench_*; do echo "== $$b"; $$b; done

install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

clean:
	rm -rf $(BUILD)
