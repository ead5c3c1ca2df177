/* The eye detector: watches the player through a camera (or a video, an image
 * sequence) and reports where the eye is, in 640x480 camera coordinates.
 *
 * It watches the camera chosen with EyeDetectorChooseCamera, or the first colour camera.
 * The environment variable IRISDET_SOURCE, when set, chooses instead:
 *   "camera"  the first colour camera;   "camera:N" or "/dev/videoN"  that camera;
 *   anything else      a video file (at its own frame rate), or a picture sequence
 *                      such as "frames/%04d.png" (at 30 frames a second); after its
 *                      end its last frame keeps coming at that rate.
 * Only regular files and camera devices are opened: a FIFO, a device or a URL is
 * refused at once, and pictures and frames larger than 8192 pixels a side or 24
 * megapixels are refused before they are decoded.
 * IRISDET_MODEL overrides the path of the 68-point landmark model.
 */
#ifndef IRISDET_H
#define IRISDET_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The camera frame every point is reported in, and "Captura" copies: 640 by 480 pixels,
 * (0, 0) at the top left. */
#define IRISDET_FRAME_WIDTH 640
#define IRISDET_FRAME_HEIGHT 480

/* Results of EyeDetectorStart. */
#define IRISDET_OK 0
#define IRISDET_NO_MODEL 2 /* the landmark model file is missing or not a regular file */
#define IRISDET_NO_CORE 3  /* libirisdet-core.so, the detector's inside, cannot be loaded */

/* Starts watching on the library's own thread and returns at once: the source opens
 * there (a webcam takes up to a couple of seconds), and EyeDetectorSourceState tells how
 * that went. Start while started keeps the running source when it is the same one and
 * is still opening or giving frames (and takes a new neutral position); otherwise it
 * restarts it. The argument is reserved: pass 0. */
int32_t EyeDetectorStart(int32_t reserved);

/* Stops watching and closes the source, at once: a source still opening is closed by
 * the library's thread once it has opened. Stop while stopped does nothing. */
void EyeDetectorStop(void);

/* Waits until a frame newer than the last one reported has been looked at, or
 * about 100 ms. With an eye: writes y and x and returns 1. The point is as the
 * player sees themselves, mirrored left to right: moving or turning the head to
 * their left moves x toward 0, whatever the camera's own image says. What it
 * follows depends on the tracking (EyeDetectorSetTracking):
 *   comfortable (the default)  the head relative to a neutral position: turning it
 *       about 15 degrees left or right or 10 degrees up or down, or moving it by one
 *       interocular distance, reaches the frame's edges, at any distance. The
 *       neutral position is taken once the face holds still after it is first
 *       found (or after twenty frames if it never does), after it comes back from
 *       more than 2 s away, when another player's face is followed, and after
 *       EyeDetectorRecentre; until then no eye is reported.
 *   eyes  the midpoint of both eyes (or the one eye found) where the camera sees
 *       them, mirrored.
 *   gaze  where the eyes look (below, EyeDetectorGazeLookAt).
 * With other people in view, the face followed keeps the point; another one is taken
 * only after the followed face has been away for 2 s, or after EyeDetectorRecentre
 * (the likeliest player: a large face near the middle).
 * It returns 1. Without (no face, timeout, stopped): returns 0
 * and leaves both values as they were. Safe from any thread, during and after
 * a stop. */
int32_t EyeDetectorPoll(int16_t* y, int16_t* x);

/* Where watching stands. */
#define IRISDET_SOURCE_STOPPED 0    /* not watching */
#define IRISDET_SOURCE_OPENING 1    /* the source is being opened */
#define IRISDET_SOURCE_DELIVERING 2 /* it gives frames, or has not given its first yet */
#define IRISDET_SOURCE_LOST                                                                 \
  3                             /* none for 2 s (a camera unplugged, a video file removed); \
                                   a camera is looked for again, and watched when back */
#define IRISDET_SOURCE_FAILED 4 /* it could not be opened: EyeDetectorLastError says why */
int32_t EyeDetectorSourceState(void);

/* The cameras of this computer (/sys/class/video4linux, asked with V4L2): video-capture
 * devices only, colour ones first in node order, then the greyscale-only ones (infrared
 * cameras). Writes at most `most` and returns how many there are. It opens each device
 * to ask it: call it away from a window's thread. */
typedef struct IrisdetCamera {
  char device[32]; /* "/dev/video2" */
  char name[68];   /* as the camera names itself, UTF-8 */
  int32_t greyOnly;
} IrisdetCamera;
int32_t EyeDetectorListCameras(IrisdetCamera* cameras, int32_t most);

/* The camera watched from now on (a camera being watched is switched at once), and by
 * "Captura"; null or empty: the first colour camera. For this run only. IRISDET_SOURCE,
 * when set, still chooses. */
void EyeDetectorChooseCamera(const char* device);

/* What is watched: IRISDET_CAMERA_DEFAULT (the first colour camera), IRISDET_CAMERA_CHOSEN
 * (the device chosen, copied into text as EyeDetectorLastError does), or
 * IRISDET_CAMERA_FROM_ENVIRONMENT (IRISDET_SOURCE's value, copied). */
#define IRISDET_CAMERA_DEFAULT 0
#define IRISDET_CAMERA_CHOSEN 1
#define IRISDET_CAMERA_FROM_ENVIRONMENT 2
int32_t EyeDetectorWatchedSource(char* text, int32_t bytes);

/* Chooses the tracking from now on: IRISDET_TRACKING_COMFORT, IRISDET_TRACKING_EYES or
 * IRISDET_TRACKING_GAZE. Until it is called, the environment variable IRISDET_TRACKING
 * ("comfort", "eyes" or "gaze") chooses, comfortable by default. */
typedef enum IrisdetTracking {
  IRISDET_TRACKING_COMFORT = 0,
  IRISDET_TRACKING_EYES = 1,
  IRISDET_TRACKING_GAZE = 2
} IrisdetTracking;
void EyeDetectorSetTracking(int32_t mode);

/* Gaze tracking: the point is where the player looks, as the point of the frame that
 * the game maps to that place with no flip, through a calibration kept for this run
 * only (a map measured across many people until then). The game calibrates it by
 * telling where the player looks: from EyeDetectorGazeLookAt (frame pixels, as
 * reported) to EyeDetectorGazeLookEnd, the frames with an eye make one look there.
 * A look ended as IRISDET_LOOK_FIND (at a found picture) refits the calibration at once,
 * the newest looks weighing most; one ended as IRISDET_LOOK_DOT is kept until
 * EyeDetectorGazeCalibrate fits all the dots' looks together (apply 1; at least five),
 * or drops them (apply 0). LookEnd returns 1 when enough frames had an eye; Calibrate
 * returns how many looks it fitted. */
#define IRISDET_LOOK_DOT 0
#define IRISDET_LOOK_FIND 1
#define IRISDET_LOOK_DROP 2
void EyeDetectorGazeLookAt(int16_t x, int16_t y);
int32_t EyeDetectorGazeLookEnd(int32_t use);
int32_t EyeDetectorGazeCalibrate(int32_t apply);

/* The tracking in use: the one last chosen, or the one IRISDET_TRACKING chooses. Never
 * loads the detector's inside: a window can ask it while it builds its menus. */
int32_t EyeDetectorTracking(void);

/* Takes the neutral position anew, for the likeliest player in view (a teacher hands
 * over to a child at once): the next steady face is the centre. */
void EyeDetectorRecentre(void);

/* Why the last start failed, or why watching went wrong since (the landmark model
 * cannot be used, ...): a short Catalan sentence for the player, UTF-8, copied into
 * text (at most bytes - 1 bytes and a terminating zero). Returns its length; 0 when
 * nothing went wrong. Pass a null text to learn the length only. */
int32_t EyeDetectorLastError(char* text, int32_t bytes);

/* Loads the detector's inside in the background and starts reading its models, so
 * that the first start is quick. Optional: the first start loads them otherwise. */
void EyeDetectorPreload(void);

/* A one-frame look through the same source as the detector's (the chosen camera), for a snapshot:
 * open it, grab 640x480 blue-green-red pixels (top row first, bytes >= 921600; 1 when
 * a frame came), close it. Open gives null when the source cannot be opened. */
void* EyeDetectorCaptureOpen(void);
int32_t EyeDetectorCaptureGrab(void* capture, uint8_t* bgr, int32_t bytes);
void EyeDetectorCaptureClose(void* capture);

/* Copies the latest 640x480 frame, blue-green-red, top row first, into bgr
 * (bytes >= 921600) and returns 1, while watching; otherwise returns 0. Lets a
 * snapshot share the camera that the detector holds open. */
int32_t EyeDetectorLatestFrame(uint8_t* bgr, int32_t bytes);

#ifdef __cplusplus
}
#endif

#endif
