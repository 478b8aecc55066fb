"""Screenshots of the virtual display with ImageMagick's `import`."""
import os
import subprocess


def screenshot(display, path, crop=None):
    """Saves the whole screen, or crop = (x, y, w, h) of it, as PNG. Returns
    the path, or None when `import` failed (a missing picture must not fail a
    scenario)."""
    os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
    cmd = ["import", "-display", display, "-window", "root"]
    if crop:
        x, y, w, h = crop
        cmd += ["-crop", f"{w}x{h}+{x}+{y}", "+repage"]
    cmd.append(path)
    try:
        rc = subprocess.call(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                             stdin=subprocess.DEVNULL, timeout=30)
    except (OSError, subprocess.TimeoutExpired):
        return None
    return path if rc == 0 else None
