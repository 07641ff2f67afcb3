import gc

import numpy as np
import pytest

import pixolan


@pytest.mark.parametrize("width", [1, 31, 641])
def test_grey_image_is_shared_with_padded_strides(width):
    img = pixolan.Image8(width, 5)
    a = np.asarray(img)
    stride = (width + 31) // 32 * 32
    assert a.shape == (5, width) and a.dtype == np.uint8 and a.strides == (stride, 1)
    assert img.stride == stride
    a[4, width - 1] = 200
    assert img.max() == 200
    img.fill(7)
    assert a[4, width - 1] == 7 and np.shares_memory(a, np.asarray(img))


def test_colour_float_and_integer_layouts():
    c = np.asarray(pixolan.Image24(641, 3))
    assert c.shape == (3, 641, 3) and c.strides == (1952, 3, 1)
    q = np.asarray(pixolan.Image32(5, 2))
    assert q.shape == (2, 5, 4) and q.strides == (32, 4, 1)
    f = pixolan.ImageFloat(9, 2)
    fa = np.asarray(f)
    assert fa.dtype == np.float32 and fa.strides == (64, 4)
    fa[:] = 1.5
    assert f.sum() == pytest.approx(27.0)
    i = pixolan.ImageInt32(3, 2)
    i.fill(-4)
    assert np.asarray(i).dtype == np.int32 and (np.asarray(i) == -4).all()


def test_array_and_roi_view_keep_the_image_alive():
    img = pixolan.Image8(641, 40)
    img.roi = (10, 20, 5, 3)
    roi = img.roi_array()
    full = np.asarray(img)
    assert roi.shape == (3, 5) and roi.strides == (672, 1)
    roi[:] = 9
    assert full[20, 10] == 9 and full[22, 14] == 9 and full[19, 10] == 0
    assert img.count_non_zero() == 15
    del img
    gc.collect()
    # Under the sanitizers a freed buffer would be reported here.
    full[39, 640] = 1
    roi[2, 4] = 3
    assert int(full.sum()) == 15 * 9 - 9 + 3 + 1


def test_from_array_copies_any_strides_and_refuses_bad_input():
    base = np.arange(10 * 12, dtype=np.uint8).reshape(10, 12)
    view = base[::2, ::3]
    img = pixolan.Image8.from_array(view)
    assert (img.width, img.height) == (4, 5)
    assert np.array_equal(np.asarray(img), view)
    bgr = np.arange(4 * 6 * 3, dtype=np.uint8).reshape(4, 6, 3).transpose(1, 0, 2)
    assert np.array_equal(np.asarray(pixolan.Image24.from_array(bgr)), bgr)
    with pytest.raises(ValueError):
        pixolan.Image8.from_array(np.zeros((3, 3), np.float32))
    with pytest.raises(ValueError):
        pixolan.Image8.from_array(np.zeros((3, 3, 3), np.uint8))
    with pytest.raises(ValueError):
        pixolan.Image8.from_array(np.zeros((0, 3), np.uint8))
    with pytest.raises(ValueError):
        pixolan.Image24.from_array(np.zeros((3, 3), np.uint8))


def test_every_filter_of_the_table_runs_by_name():
    table = pixolan.filters()
    assert len(table) > 10 and all("parameters" in d for d in table)
    for d in table:
        kwargs = {}
        for p in d["parameters"]:
            if p["kind"] == "image":
                kwargs[p["name"]] = np.ones((3, 3), np.float32) / 9
        img = pixolan.Image8.from_array((np.arange(24 * 24) % 251).astype(np.uint8).reshape(24, 24))
        pixolan.apply_filter(d["name"], img, **kwargs)


def test_minimum_filter_by_name_matches_numpy():
    rng = np.random.default_rng(3)
    src = rng.integers(0, 256, (20, 33), dtype=np.uint8)
    img = pixolan.Image8.from_array(src)
    names = {d["name"] for d in pixolan.filters()}
    assert "Min" in names
    pixolan.min(img, kernelSize=3)
    got = np.asarray(img)
    ref = np.min([src[dy:dy + 18, dx:dx + 31] for dy in range(3) for dx in range(3)], axis=0)
    # The filter leaves a border band; its interior is the 3x3 minimum.
    assert np.array_equal(got[1:-2, 1:-2], ref[:-1, :-1])


def test_convolution_kernel_from_array():
    src = np.zeros((9, 9), np.uint8)
    src[4, 4] = 90
    img = pixolan.Image8.from_array(src)
    pixolan.apply_filter("Convolution", img, kernel=np.full((3, 3), 1 / 9, np.float32))
    got = np.asarray(img)
    assert got[3:6, 3:6].tolist() == [[10] * 3] * 3 and got[0, 0] == 0


def test_exceptions_are_mapped():
    img = pixolan.Image8(8, 8)
    with pytest.raises(ValueError, match="kernelSize"):
        pixolan.apply_filter("Min", img, kernelSize=-3)
    with pytest.raises(ValueError):
        pixolan.apply_filter("NoSuchFilter", img)
    with pytest.raises(ValueError):
        img.roi = (4, 4, 8, 8)
    with pytest.raises(ValueError):
        pixolan.load("/nonexistent/x.bmp")
    img.roi = (2, 2, 6, 6)
    np.asarray(img)[3, 4] = 9
    assert img.get_pixel(2, 1) == 9
    with pytest.raises(IndexError):
        img.get_pixel(6, 0)


def test_contours_of_a_thresholded_drawing(tmp_path):
    a = np.zeros((40, 60), np.uint8)
    a[5:15, 10:30] = 255     # 20 x 10 rectangle
    a[25:35, 40:46] = 255    # 6 x 10 rectangle
    img = pixolan.Image8.from_array(a)
    path = str(tmp_path / "mask.bmp")
    pixolan.save(img, path)
    back = pixolan.load(path)
    assert isinstance(back, pixolan.Image8) and np.array_equal(np.asarray(back), a)
    found = sorted(pixolan.find_contours(back), key=lambda c: c.area)
    assert len(found) == 2
    small, big = found
    assert big.bounding_box == (10, 5, 20, 10) and small.bounding_box == (40, 25, 6, 10)
    # Pixel area: the boundary pixels count in.
    assert big.area == pytest.approx(200) and big.perimeter == pytest.approx(2 * (19 + 9))
    assert big.centre == pytest.approx((19.5, 9.5))
    pts = big.points
    assert pts.dtype == np.int32 and pts.shape[1] == 2
    assert set(map(tuple, pts.tolist())) >= {(10, 5), (29, 5), (29, 14), (10, 14)}


def _plate(rows=2, cols=3, pitch=100.0, radius=30.0, width=400, height=300):
    """A grey plate of dark anti-aliased wells, with its true centres."""
    yy, xx = np.mgrid[0:height, 0:width].astype(np.float64)
    img = np.full((height, width), 160.0)
    centres = []
    for j in range(rows):
        for i in range(cols):
            cx = width / 2 + (i - (cols - 1) / 2) * pitch
            cy = height / 2 + (j - (rows - 1) / 2) * pitch
            cover = np.clip(radius + 0.5 - np.hypot(xx - cx, yy - cy), 0, 1)
            img = img * (1 - cover) + 60 * cover
            centres.append((cx, cy))
    return pixolan.Image8.from_array(np.rint(img).astype(np.uint8)), np.array(centres)


def _square_plate(rows=3, cols=4, pitch=90.0, width=480, height=360):
    """A grey plate of dark square wells with thin walls, with its true centres."""
    half = 0.478 * pitch
    yy, xx = np.mgrid[0:height, 0:width].astype(np.float64)
    img = np.full((height, width), 170.0)
    centres = []
    for j in range(rows):
        for i in range(cols):
            cx = width / 2 + (i - (cols - 1) / 2) * pitch
            cy = height / 2 + (j - (rows - 1) / 2) * pitch
            cover = np.clip(half + 0.5 - np.abs(xx - cx), 0, 1) * np.clip(half + 0.5 - np.abs(yy - cy), 0, 1)
            img = img * (1 - cover) + 70 * cover
            centres.append((cx, cy))
    return pixolan.Image8.from_array(np.rint(img).astype(np.uint8)), np.array(centres)


def test_well_detector_chooses_the_model_of_the_plate():
    detector = pixolan.WellDetector()
    image, centres = _plate()
    grid = detector.detect_wells(image, 2, 3)
    assert grid.found and grid.is_circle and not grid.is_rect and not grid.rect.found
    assert np.abs(grid.well_centres() - centres).max() < 10
    circle, square = detector.last_model_scores()
    assert circle > square

    image, centres = _square_plate()
    grid = detector.detect_wells(image, 3, 4)
    assert grid.found and grid.is_rect and not grid.is_circle
    assert (grid.rect.rows, grid.rect.cols) == (3, 4)
    assert np.abs(grid.well_centres() - centres).max() < 5
    assert np.abs(grid.rect.dx - 90) < 2 and grid.rect.half_width <= grid.rect.dx / 2
    circle, square = detector.last_model_scores()
    assert square > circle
    assert detector.detect_squares_in_grid(image, 3, 4).found

    blank = pixolan.Image8(200, 150)
    blank.fill(128)
    assert not detector.detect_wells(blank, 2, 3).found
    assert detector.last_model_scores() == (0.0, 0.0)


def test_batch_script_on_a_local_cluster_matches_one_process(tmp_path):
    import json
    import pathlib
    import sys

    sys.path.insert(0, str(pathlib.Path(__file__).parent.parent / "examples"))
    import detect_wells_batch as batch

    for k, (image, _) in enumerate([_plate(), _plate(pitch=110.0, radius=32.0), _square_plate(rows=2, cols=3)]):
        pixolan.save(image, str(tmp_path / ("plate%d.png" % k)))
    result_file = tmp_path / "lines.jsonl"
    assert batch.main([str(tmp_path), "--rows", "2", "--cols", "3", "--workers", "2", "--threads", "1",
                       "--output", str(result_file)]) == 0
    drop = lambda d: {k: v for k, v in d.items() if k != "time_ms"}
    lines = [drop(json.loads(line)) for line in result_file.read_text().splitlines()]
    single = [drop(json.loads(batch.detect_one(p, 2, 3))) for p in sorted(tmp_path.glob("plate*.png"))]
    assert lines == single
    assert [d["model"] for d in lines] == ["circle", "circle", "square"]
    assert all(d["found"] and len(d["wells"]) == 6 for d in lines)


def test_detectors_find_a_rendered_plate_on_parallel_threads():
    import threading

    image, centres = _plate()
    grid = pixolan.WellDetector().detect_circles_in_grid(image, 2, 3)
    assert grid.found and (grid.rows, grid.cols) == (2, 3)
    assert np.abs(grid.well_centres() - centres).max() < 10
    assert pixolan.WellDetector.fit_linspace([10, 20, 30], 3, 1, 5) == (20, 10)

    # Two detectors on two threads (the GIL is released) give what one gives.
    expected = [(c.centre, c.radius) for c in pixolan.CircleDetector().detect(image)]
    assert len(expected) == 6
    results = [None, None]

    def run(k):
        results[k] = [(c.centre, c.radius) for c in pixolan.CircleDetector().detect(image)]

    threads = [threading.Thread(target=run, args=(k,)) for k in range(2)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert results[0] == expected and results[1] == expected
