/* The eye detector: watches the player through a camera (or a video, an image
 * sequence) and reports where the eye is, in 640x480 camera coordinates.
 *
 * The source is chosen by the environment variable IRISDET_SOURCE:
 *   unset or "camera"  camera 0;   "camera:N"  camera N;
 *   anything else      a video file, or an image-sequence pattern such as
 *                      "frames/%04d.png", played at its own frame rate; after its
 *                      end its last frame keeps coming at that rate.
 * IRISDET_MODEL overrides the path of the 68-point landmark model.
 */
#ifndef IRISDET_H
#define IRISDET_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Results of EyeDetectorStart. */
#define IRISDET_OK 0
#define IRISDET_NO_SOURCE 1 /* the camera, video or images could not be opened */
#define IRISDET_NO_MODEL 2  /* the landmark model file is missing */

/* Opens the source and starts watching on the library's own thread. Waits only
 * for the source to open, never for the model to load. Start while started
 * restarts the source. The argument is reserved: pass 0. */
int32_t EyeDetectorStart(int32_t reserved);

/* Stops watching and closes the source. Stop while stopped does nothing. */
void EyeDetectorStop(void);

/* Waits until a frame newer than the last one reported has been looked at, or
 * about 100 ms. With an eye: writes y and x (the midpoint of both eyes, or the
 * one eye found) and returns 1. Without (no face, timeout, stopped): returns 0
 * and leaves both values as they were. Safe from any thread, during and after
 * a stop. */
int32_t EyeDetectorPoll(int16_t* y, int16_t* x);

/* Copies the latest 640x480 frame, blue-green-red, top row first, into bgr
 * (bytes >= 921600) and returns 1, while watching; otherwise returns 0. Lets a
 * snapshot share the camera that the detector holds open. */
int32_t EyeDetectorLatestFrame(uint8_t* bgr, int32_t bytes);

#ifdef __cplusplus
}
#endif

#endif
